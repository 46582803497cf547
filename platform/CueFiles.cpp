#include "platform/CueFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QtEndian>

#include <bit>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr std::uint32_t kChunkLimit = 64u << 20; // the reader's FILE_SIZE_MAX
// Chunks looked at before the format and before the data. A wave file has a
// handful; the bound keeps a file stuffed with tiny chunks from costing the
// window's thread more than a few reads.
constexpr int kMaxChunks = 16;
constexpr std::uint32_t kMaxRate = 384'000; // PulseAudio's PA_RATE_MAX
constexpr int kMaxMaplessChannels = 6;      // PulseAudio's default channel maps
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

// Moves `pos` past the header of the next chunk called `id`, skipping
// others by their stated size, and gives its size. Chunks end where the
// RIFF header says the file ends.
QString FindChunk(const CueFile& file, std::int64_t end, std::int64_t& pos, const char* id,
                  std::uint32_t& size)
{
    const QString name = QLatin1String(id).trimmed();
    for (int chunks = 0;; ++chunks) {
        unsigned char header[8];
        if (pos + 8 > end || !file.ReadAt(pos, header, sizeof header))
            return QStringLiteral("has no \"%1\" chunk").arg(name);
        if (chunks == kMaxChunks)
            return QStringLiteral("has more than %1 chunks before its \"%2\" chunk")
                .arg(kMaxChunks)
                .arg(name);
        size = Le32(header + 4);
        if (size == 0 || size >= kChunkLimit)
            return QStringLiteral("has a chunk of %1 bytes, which the player refuses").arg(size);
        pos += 8;
        if (std::memcmp(header, id, 4) == 0)
            return {};
        pos += size;
    }
}

// Checks the wave file open in `file` exactly the way the player reads it, so
// that every file accepted here really plays: libcanberra's reader walks the
// chunks from the start without pad bytes, takes the first "fmt " chunk (16,
// 18 or 40 bytes, integer PCM of 8 or 16 bits) and the first "data" chunk
// after it, and refuses chunks of 64 MiB and more; PulseAudio then needs a
// rate up to 384 kHz, whole frames, and a channel map (made up by itself for
// up to six channels, otherwise given by the file's channel mask).
// Returns an empty string for a playable file, otherwise one short phrase
// saying what is wrong ("is not a wave file"). Reads only the headers.
QString CheckWaveFile(const CueFile& file)
{
    if (file.Size() == 0)
        return QStringLiteral("is empty");
    unsigned char riff[12];
    if (!file.ReadAt(0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return QStringLiteral("is not a wave file");
    if (Le32(riff + 4) == 0 || Le32(riff + 4) >= kChunkLimit)
        return QStringLiteral("is too large to play");
    const std::int64_t end = 8 + std::int64_t(Le32(riff + 4));

    std::int64_t pos = sizeof riff;
    std::uint32_t size = 0;
    if (QString problem = FindChunk(file, end, pos, "fmt ", size); !problem.isEmpty())
        return problem;
    unsigned char f[40] = {};
    if ((size != 16 && size != 18 && size != 40) || !file.ReadAt(pos, f, size))
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
    if (QString problem = FindChunk(file, end, pos, "data", size); !problem.isEmpty())
        return problem;
    if (size % static_cast<std::uint32_t>(channels * bits / 8) != 0)
        return QStringLiteral("ends its sound data with a partial frame");
    if (file.Size() - pos < size)
        return QStringLiteral("claims %1 bytes of sound but holds %2")
            .arg(size)
            .arg(file.Size() - pos);
    return {};
}

QStringList CueSearchDirectories()
{
    QStringList directories{QDir::currentPath()};
    const QString executableDir = QCoreApplication::instance() != nullptr
                                      ? QCoreApplication::applicationDirPath()
                                      : QString();
#ifdef PI_COINS_DATA_DIR
    directories << QStringLiteral(PI_COINS_DATA_DIR);
    // An installation moved to another prefix keeps its data beside it.
    if (!executableDir.isEmpty())
        directories << QDir::cleanPath(executableDir + QStringLiteral("/../share/pi-coins"));
#endif
    if (!executableDir.isEmpty())
        directories << executableDir;
    directories.removeDuplicates();
    return directories;
}

} // namespace

OpenedCue OpenCueFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return {nullptr, QStringLiteral("sound cue without a file name")};
    const QStringList directories = CueSearchDirectories(); // the working directory first
    QStringList candidates{fileName};                       // relative: the working directory
    if (!fileName.contains(QLatin1Char('/')) && !fileName.contains(QDir::separator())) {
        for (qsizetype i = 1; i < directories.size(); ++i)
            candidates << directories[i] + QLatin1Char('/') + fileName;
    }
    for (const QString& candidate : std::as_const(candidates)) {
        const QString path = QDir::current().absoluteFilePath(candidate);
        CueFile::Opened opened = CueFile::Open(candidate, path);
        if (opened.missing)
            continue;
        if (!opened.file)
            return {nullptr, QStringLiteral("sound cue %1 %2").arg(path, opened.problem)};
        if (const QString problem = CheckWaveFile(*opened.file); !problem.isEmpty())
            return {nullptr, QStringLiteral("sound cue %1 %2").arg(path, problem)};
        return {std::move(opened.file), {}};
    }
    return {nullptr, QStringLiteral("sound cue \"%1\" not found in %2")
                         .arg(fileName, QDir::toNativeSeparators(directories.join(u", ")))};
}

} // namespace platform
