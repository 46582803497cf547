#include "platform/WaveFile.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::uint32_t kChunkLimit = 64u << 20; // the reader's FILE_SIZE_MAX
constexpr std::uint32_t kMaxRate = 384'000;      // PulseAudio's PA_RATE_MAX
constexpr int kMaxMaplessChannels = 6;           // PulseAudio's default channel maps
constexpr std::uint32_t kKnownChannelBits = 0x3ffff;
constexpr unsigned char kPcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                        0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

std::uint32_t Le32(const unsigned char* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
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

} // namespace

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

} // namespace platform
