// Cue files on POSIX systems: a file descriptor, read with pread; paths as
// the bytes the system gives, whatever they are.
#include "platform/sound/CueFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

CueFile::Opened CueFile::Open(const std::filesystem::path& path)
{
    // Non-blocking, so that a named pipe or a device opens at once, and is
    // then refused for not being a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        // Not there, or in a folder that cannot be searched: look on. A file
        // that can be seen and not read is said.
        struct stat status = {};
        if (::stat(path.c_str(), &status) != 0)
            return {nullptr, true, {}};
        return {nullptr, false, QStringLiteral("cannot be read (%1)").arg(qt_error_string(error))};
    }
    std::unique_ptr<CueFile> file(new CueFile(fd, DisplayPath(path)));
    struct stat status = {};
    if (fstat(fd, &status) != 0)
        return {nullptr, false, QStringLiteral("cannot be read (%1)").arg(qt_error_string(errno))};
    if (S_ISDIR(status.st_mode))
        return {nullptr, false, QStringLiteral("is a directory")};
    if (!S_ISREG(status.st_mode))
        return {nullptr, false, QStringLiteral("is not a regular file")};
    file->m_size = status.st_size;
    return {std::move(file), false, {}};
}

CueFile::~CueFile()
{
    ::close(static_cast<int>(m_handle));
}

bool CueFile::ReadAt(std::int64_t offset, void* out, std::int64_t size) const
{
    return pread(static_cast<int>(m_handle), out, static_cast<std::size_t>(size),
                 static_cast<off_t>(offset)) == size;
}

std::filesystem::path NativePath(const QString& name)
{
    return QFile::encodeName(name).toStdString();
}

QString PathText(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path ProgramFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

// The data directory; an installation moved to another prefix keeps its
// data beside it; then the program's own folder (the build tree).
std::vector<std::filesystem::path> InstalledCueFolders()
{
    std::vector<std::filesystem::path> folders{PI_COINS_DATA_DIR};
    if (const std::filesystem::path program = ProgramFolder(); !program.empty()) {
        folders.push_back((program / ".." / "share" / "pi-coins").lexically_normal());
        folders.push_back(program);
    }
    return folders;
}

} // namespace platform
