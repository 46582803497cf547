#include "platform/sound/WaveFile.h"

#include "platform/sound/CueFile.h"

#include <QtEndian>

#include <cstring>

namespace platform {

namespace {

constexpr std::uint32_t kChunkLimit = 64u << 20;
// Chunks skipped before the format and before the data. A wave file has a
// handful; the bound keeps a file stuffed with tiny chunks from costing the
// window's thread more than a few reads.
constexpr int kMaxSkippedChunks = 16;
// The tail of the GUIDs that stand for a format tag (KSDATAFORMAT_SUBTYPE_*).
constexpr unsigned char kTagGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

std::uint32_t Le32(const unsigned char* p)
{
    return qFromLittleEndian<quint32>(p);
}

int Le16(const unsigned char* p)
{
    return qFromLittleEndian<quint16>(p);
}

// Moves `pos` past the header of the next chunk called `id`, skipping
// others by their stated size, and gives its size.
QString FindChunk(const CueFile& file, std::int64_t end, std::int64_t& pos, const char* id,
                  std::uint32_t& size)
{
    const QString name = QLatin1String(id).trimmed();
    for (int skipped = 0;; ++skipped) {
        unsigned char header[8];
        if (pos + 8 > end || !file.ReadAt(pos, header, sizeof header))
            return QStringLiteral("has no \"%1\" chunk").arg(name);
        size = Le32(header + 4);
        if (size == 0 || size >= kChunkLimit)
            return QStringLiteral("has a chunk of %1 bytes, which the player refuses").arg(size);
        pos += 8;
        if (std::memcmp(header, id, 4) == 0)
            return {};
        if (skipped == kMaxSkippedChunks)
            return QStringLiteral("has more than %1 chunks before its \"%2\" chunk")
                .arg(kMaxSkippedChunks)
                .arg(name);
        pos += size;
    }
}

} // namespace

QString ReadWaveLayout(const CueFile& file, WaveLayout& wave)
{
    if (file.Size() == 0)
        return QStringLiteral("is empty");
    unsigned char riff[12];
    if (!file.ReadAt(0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return QStringLiteral("is not a wave file");
    if (Le32(riff + 4) == 0 || Le32(riff + 4) >= kChunkLimit)
        return QStringLiteral("is too large to play");
    // A player is handed the RIFF size's bytes; a file cut short holds fewer.
    wave.end = 8 + std::int64_t(Le32(riff + 4));
    if (wave.end > file.Size())
        return QStringLiteral("is cut short: its header counts %1 bytes, the file holds %2")
            .arg(wave.end)
            .arg(file.Size());

    std::int64_t pos = sizeof riff;
    if (QString problem = FindChunk(file, wave.end, pos, "fmt ", wave.formatSize);
        !problem.isEmpty())
        return problem;
    unsigned char f[40] = {};
    if (wave.formatSize < 16 || !file.ReadAt(pos, f, std::min<std::uint32_t>(wave.formatSize, 40)))
        return QStringLiteral("has a format header of %1 bytes, which the player refuses")
            .arg(wave.formatSize);
    wave.tag = Le16(f);
    wave.channels = Le16(f + 2);
    wave.rate = Le32(f + 4);
    wave.blockAlign = Le16(f + 12);
    wave.bits = Le16(f + 14);
    if (wave.tag == 0xfffe && wave.formatSize >= 40) {
        wave.channelMask = Le32(f + 20);
        if (std::memcmp(f + 26, kTagGuidTail, sizeof kTagGuidTail) == 0)
            wave.subFormat = Le16(f + 24);
    }

    pos += wave.formatSize;
    if (QString problem = FindChunk(file, wave.end, pos, "data", wave.dataSize); !problem.isEmpty())
        return problem;
    if (wave.end - pos < wave.dataSize)
        return QStringLiteral("claims %1 bytes of sound but holds %2")
            .arg(wave.dataSize)
            .arg(wave.end - pos);
    return {};
}

} // namespace platform
