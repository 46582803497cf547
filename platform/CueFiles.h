#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace platform {

// A cue file opened once for playing: a descriptor on a regular file whose
// header was checked through that same descriptor. The player plays what is
// open here, so whatever happens to the path afterwards (the file replaced,
// say, by a named pipe) cannot block or change anything.
class CueFile
{
public:
    CueFile(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    ~CueFile();
    CueFile(const CueFile&) = delete;
    CueFile& operator=(const CueFile&) = delete;

    int Descriptor() const { return m_fd; }
    QString Path() const { return m_path; } // for messages only

private:
    int m_fd;
    QString m_path;
};

struct OpenedCue
{
    std::shared_ptr<const CueFile> file; // null when nothing can be played
    QString problem;                     // why not, in one phrase naming the file
};

// The folders a bare cue file name is looked up in, in this order: the
// working directory (so cues kept where the program is started win), the
// installed data directory, `<executable>/../share/pi-coins`, then the
// executable's own folder.
QStringList CueSearchDirectories();

// Opens the first entry named `fileName` in CueSearchDirectories(), or the
// name as it is when it has a directory part, without ever blocking (a
// named pipe opens at once and is refused), and checks it. The working
// directory is searched by the file system's own bytes, so a path there
// need not be valid text.
OpenedCue OpenCueFile(const QString& fileName);

} // namespace platform
