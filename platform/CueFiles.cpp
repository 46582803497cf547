#include "platform/CueFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

CueFile::~CueFile()
{
    ::close(m_fd);
}

namespace {

constexpr std::uint32_t kChunkLimit = 64u << 20; // the reader's FILE_SIZE_MAX
constexpr std::uint32_t kMaxRate = 384'000;      // PulseAudio's PA_RATE_MAX
constexpr int kMaxMaplessChannels = 6;           // PulseAudio's default channel maps
constexpr std::uint32_t kKnownChannelBits = 0x3ffff;
constexpr unsigned char kPcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

std::uint32_t Le32(const unsigned char* p)
{
    return qFromLittleEndian<quint32>(p);
}

std::uint16_t Le16(const unsigned char* p)
{
    return qFromLittleEndian<quint16>(p);
}

bool ReadAt(int fd, off_t pos, unsigned char* out, std::size_t size)
{
    return pread(fd, out, size, pos) == static_cast<ssize_t>(size);
}

// Moves `pos` past the header of the next chunk called `id`, skipping
// others by their stated size, and gives its size.
QString FindChunk(int fd, off_t& pos, const char* id, std::uint32_t& size)
{
    for (;;) {
        unsigned char header[8];
        if (!ReadAt(fd, pos, header, sizeof header))
            return QStringLiteral("has no \"%1\" chunk").arg(QLatin1String(id).trimmed());
        size = Le32(header + 4);
        if (size == 0 || size >= kChunkLimit)
            return QStringLiteral("has a chunk of %1 bytes, which the player refuses").arg(size);
        pos += 8;
        if (std::memcmp(header, id, 4) == 0)
            return {};
        pos += size;
    }
}

// Checks the wave file open on `fd` exactly the way the player reads it, so
// that every file accepted here really plays: libcanberra's reader walks the
// chunks from the start without pad bytes, takes the first "fmt " chunk (16,
// 18 or 40 bytes, integer PCM of 8 or 16 bits) and the first "data" chunk
// after it, and refuses chunks of 64 MiB and more; PulseAudio then needs a
// rate up to 384 kHz, whole frames, and a channel map (made up by itself for
// up to six channels, otherwise given by the file's channel mask).
// Returns an empty string for a playable file, otherwise one short phrase
// saying what is wrong ("is not a wave file"). Reads only the headers.
QString CheckWaveFile(int fd)
{
    struct stat status = {};
    if (fstat(fd, &status) != 0)
        return QStringLiteral("cannot be read");
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("is a directory");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("is not a regular file");
    if (status.st_size == 0)
        return QStringLiteral("is empty");

    unsigned char riff[12];
    if (!ReadAt(fd, 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return QStringLiteral("is not a wave file");
    if (Le32(riff + 4) == 0 || Le32(riff + 4) >= kChunkLimit)
        return QStringLiteral("is too large to play");

    off_t pos = sizeof riff;
    std::uint32_t size = 0;
    if (QString problem = FindChunk(fd, pos, "fmt ", size); !problem.isEmpty())
        return problem;
    unsigned char f[40] = {};
    if ((size != 16 && size != 18 && size != 40) || !ReadAt(fd, pos, f, size))
        return QStringLiteral("has a format header of %1 bytes, which the player refuses")
            .arg(size);
    const bool extensible = size == 40;
    const int channels = Le16(f + 2);
    const std::uint32_t rate = Le32(f + 4);
    const int bits = Le16(f + 14);
    if (Le16(f) != (extensible ? 0xfffe : 1) || (extensible && std::memcmp(f + 24, kPcmGuid, 16)))
        return QStringLiteral("is not integer PCM");
    if (bits != 8 && bits != 16)
        return QStringLiteral("is in an unsupported format (%1-bit PCM)").arg(bits);
    const std::uint32_t mask = extensible ? Le32(f + 20) & kKnownChannelBits : 0;
    if (channels == 0 || (channels > kMaxMaplessChannels && std::popcount(mask) != channels))
        return QStringLiteral("has %1 channels, which the player cannot map").arg(channels);
    if (rate == 0 || rate > kMaxRate)
        return QStringLiteral("has a sample rate of %1 Hz, which the player refuses").arg(rate);

    pos += size;
    if (QString problem = FindChunk(fd, pos, "data", size); !problem.isEmpty())
        return problem;
    if (size % static_cast<std::uint32_t>(channels * bits / 8) != 0)
        return QStringLiteral("ends its sound data with a partial frame");
    if (status.st_size - pos < size) {
        return QStringLiteral("claims %1 bytes of sound but holds %2")
            .arg(size)
            .arg(status.st_size - pos);
    }
    return {};
}

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
    const QStringList directories = CueSearchDirectories(); // the working directory first
    QList<QByteArray> candidates{name}; // relative: the working directory, as bytes
    if (!fileName.contains(QLatin1Char('/'))) {
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
                         .arg(fileName, directories.join(QStringLiteral(", ")))};
}

} // namespace platform
