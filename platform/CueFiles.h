#pragma once

#include <QString>

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

// Opens the cue `fileName`, without ever blocking (a named pipe opens at
// once and is refused), and checks it. A bare name is looked up in the
// working directory (so cues kept where the program is started win, found
// by the file system's own bytes, so its path need not be valid text), the
// installed data directory, `<executable>/../share/pi-coins`, then the
// executable's own folder; a name with a directory part is taken as it is.
OpenedCue OpenCueFile(const QString& fileName);

} // namespace platform
