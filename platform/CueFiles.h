#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace platform {

// A cue file opened once for playing, a regular file whose header was
// checked through this same handle. The player plays what is open here, so
// whatever happens to the path afterwards (the file replaced, say, by a
// named pipe) cannot block or change anything. Reads are positional, so
// the window's thread may check it and the player's thread read it later.
class CueFile final
{
public:
    struct Opened;
    // Opens `name` for reading without ever waiting (a named pipe opens at
    // once and is refused); `path` is what messages call it.
    static Opened Open(const QString& name, QString path);

    ~CueFile();
    CueFile(const CueFile&) = delete;
    CueFile& operator=(const CueFile&) = delete;

    // Reads exactly `size` bytes from `offset`; false when that many are not there.
    bool ReadAt(std::int64_t offset, void* out, std::int64_t size) const;
    std::int64_t Size() const { return m_size; }
    // The system's handle: a file descriptor, or a Windows HANDLE.
    std::intptr_t Handle() const { return m_handle; }
    QString Path() const { return m_path; } // for messages only

private:
    CueFile(std::intptr_t handle, std::int64_t size, QString path)
        : m_handle(handle), m_size(size), m_path(std::move(path))
    {}

    std::intptr_t m_handle;
    std::int64_t m_size;
    QString m_path;
};

struct CueFile::Opened
{
    std::unique_ptr<CueFile> file; // null when it cannot be read
    bool missing = false;          // nothing of that name
    QString problem;               // otherwise why not, as "cannot be read (...)"
};

struct OpenedCue
{
    std::shared_ptr<const CueFile> file; // null when nothing can be played
    QString problem;                     // why not, in one phrase naming the file
};

// Opens the cue `fileName` and checks it; nothing here grows with the
// file's size or content. A bare name is looked up in the working
// directory (so cues kept where the program is started win, found by a
// relative name, so the directory's path need not be valid text), the
// installed data directory, `<executable>/../share/pi-coins`, then the
// executable's own folder; a name with a directory part is taken as it is.
OpenedCue OpenCueFile(const QString& fileName);

} // namespace platform
