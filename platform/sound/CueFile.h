#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace platform {

// A cue file opened once for playing, a regular file whose header was
// checked through this same handle. The player plays what is open here, so
// whatever happens to the path afterwards (the file replaced, say, by a
// named pipe) cannot block or change anything. Reads are positional, so
// the window's thread may check it and the player's thread read it later.
// Implemented once per system (unix/, windows/).
class CueFile final
{
public:
    struct Opened;
    // Opens `path` (a relative one from the working folder) for reading
    // without ever waiting: a named pipe opens at once and is refused.
    static Opened Open(const std::filesystem::path& path);

    ~CueFile();
    CueFile(const CueFile&) = delete;
    CueFile& operator=(const CueFile&) = delete;

    // Reads exactly `size` bytes from `offset`; false when that many are not there.
    bool ReadAt(std::int64_t offset, void* out, std::int64_t size) const;
    std::int64_t Size() const { return m_size; }
    // The wave's own bytes from the start, as its RIFF header counts them
    // and the check found them within the file: all that a player is given.
    std::int64_t WaveSize() const { return m_waveSize; }
    void SetWaveSize(std::int64_t size) { m_waveSize = size; }
    // The system's handle: a file descriptor, or a Windows HANDLE.
    std::intptr_t Handle() const { return m_handle; }
    QString Path() const { return m_path; } // absolute, native, for messages only

private:
    CueFile(std::intptr_t handle, QString path) : m_handle(handle), m_path(std::move(path)) {}

    std::intptr_t m_handle;
    std::int64_t m_size = 0;
    std::int64_t m_waveSize = 0;
    QString m_path;
};

struct CueFile::Opened
{
    std::unique_ptr<CueFile> file; // null when it cannot be read
    bool missing = false;          // nothing that can be seen to exist there
    QString problem;               // otherwise why not, as "cannot be read (...)"
};

// The system's name of a file name given as text, and a system's name as
// text, readable where its bytes are not valid text.
std::filesystem::path NativePath(const QString& name);
QString PathText(const std::filesystem::path& path);

// A path as messages name it: absolute, with the system's separators.
QString DisplayPath(const std::filesystem::path& path);

// The folder of the running program, as the system names it, whatever
// bytes its name holds; empty when the system does not say.
std::filesystem::path ProgramFolder();

// Where this system's installation keeps the cues, in the order they are
// looked for after the working folder.
std::vector<std::filesystem::path> InstalledCueFolders();

} // namespace platform
