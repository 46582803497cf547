// Cue files on POSIX systems: a file descriptor, read with pread.
#include "platform/CueFiles.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

CueFile::Opened CueFile::Open(const QString& name, QString path)
{
    // Non-blocking, so that a named pipe or a device opens at once, and is
    // then refused for not being a regular file.
    const int fd =
        ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
        return {nullptr, true, {}};
    if (fd < 0)
        return {nullptr, false, QStringLiteral("cannot be read (%1)").arg(qt_error_string(errno))};
    std::unique_ptr<CueFile> file(new CueFile(fd, 0, std::move(path)));
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

} // namespace platform
