#include "platform/RunRecord.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Writes all of `bytes`, going on after a partial write.
bool WriteAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return false;
        done += n < 0 ? 0 : n;
    }
    return true;
}

} // namespace

QString AppendToFile(const QString& path, const QByteArray& header, const QByteArray& line)
{
    // Not blocking in open(): a pipe without a reader is refused, not waited on.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return qt_error_string(errno);
    QString problem;
    struct stat status
    {};
    if (::flock(fd, LOCK_EX) != 0 && errno != EINVAL && errno != ENOLCK) {
        problem = qt_error_string(errno);
    } else if (!line.isEmpty()) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const bool empty =
            ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0;
        if (!WriteAll(fd, empty ? header + line : line))
            problem = qt_error_string(errno);
    }
    // The lock goes with the descriptor; a failed close is a failed write.
    if (::close(fd) != 0 && problem.isEmpty() && errno != EINTR)
        problem = qt_error_string(errno);
    return problem;
}

} // namespace platform
