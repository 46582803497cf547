#pragma once

#include <QString>

#include <memory>

namespace platform {

class CueFile;

struct OpenedCue
{
    std::shared_ptr<const CueFile> file; // null when nothing can be played
    QString problem;                     // why not, in one phrase naming the file
};

// Opens the cue `fileName` and checks it, for the system's player; nothing
// here grows with the file's size or content. A bare name is looked up in
// the working folder (by its relative name, so the folder's path need not
// be valid text), the installed data folder, `<program>/../share/pi-coins`,
// then the program's own folder (by the system's own name for it); a folder
// that cannot be searched counts as one without the file. A name with a
// folder part is taken as it is.
OpenedCue OpenCueFile(const QString& fileName);

} // namespace platform
