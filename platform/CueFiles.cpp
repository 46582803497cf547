#include "platform/CueFiles.h"

#include "platform/WaveFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

CueFile::~CueFile()
{
    ::close(m_fd);
}

namespace {

QStringList CueSearchDirectories()
{
    QStringList directories{QDir::currentPath(), QStringLiteral(PI_COINS_DATA_DIR)};
    if (QCoreApplication::instance() != nullptr) {
        const QString executableDir = QCoreApplication::applicationDirPath();
        // An installation moved to another prefix keeps its data beside it.
        directories << QDir::cleanPath(executableDir + QStringLiteral("/../share/pi-coins"));
        directories << executableDir;
    }
    directories.removeDuplicates();
    return directories;
}

} // namespace

OpenedCue OpenCueFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return {nullptr, QStringLiteral("sound cue without a file name")};
    const QByteArray name = QFile::encodeName(fileName);
    QList<QByteArray> candidates{name}; // relative: the working directory, as bytes
    if (!fileName.contains(QLatin1Char('/'))) {
        const QStringList directories = CueSearchDirectories();
        for (qsizetype i = 1; i < directories.size(); ++i)
            candidates << QFile::encodeName(directories[i]) + '/' + name;
    }
    for (const QByteArray& candidate : candidates) {
        const int fd = ::open(candidate.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
            continue;
        const QString path = QDir::current().absoluteFilePath(QFile::decodeName(candidate));
        if (fd < 0) {
            return {nullptr, QStringLiteral("sound cue %1 cannot be read (%2)")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(errno)))};
        }
        auto file = std::make_shared<const CueFile>(fd, path);
        if (const QString problem = CheckWaveFile(fd); !problem.isEmpty())
            return {nullptr, QStringLiteral("sound cue %1 %2").arg(path, problem)};
        return {std::move(file), {}};
    }
    return {nullptr, QStringLiteral("sound cue \"%1\" not found in %2")
                         .arg(fileName, CueSearchDirectories().join(QStringLiteral(", ")))};
}

} // namespace platform
