#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The folders a bare cue file name is looked up in, in this order: the
// current working directory (so cues kept where the program is started win),
// the program's installed data directory, then the executable's own folder.
QStringList CueSearchDirectories();

// The path of the first entry named `fileName` in CueSearchDirectories(),
// or an empty string when there is none. A name with a directory part is
// taken as it is.
QString LocateCueFile(const QString& fileName);

} // namespace platform
