#include "WaveFile.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

constexpr qint64 kHeaderLimit = 64 * 1024;

std::uint32_t Le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{u[0]} | std::uint32_t{u[1]} << 8 | std::uint32_t{u[2]} << 16 |
           std::uint32_t{u[3]} << 24;
}

std::uint16_t Le16(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | u[1] << 8);
}

WaveFileInfo Problem(WaveFileInfo info, const QString& problem)
{
    info.playable = false;
    info.problem = problem;
    return info;
}

QString FormatName(const WaveFileInfo& info)
{
    if (info.formatTag == 3)
        return QStringLiteral("%1-bit float").arg(info.bitsPerSample);
    if (info.formatTag == 1)
        return QStringLiteral("%1-bit PCM").arg(info.bitsPerSample);
    return QStringLiteral("format %1").arg(info.formatTag);
}

} // namespace

WaveFileInfo CheckWaveFile(const QString& path)
{
    WaveFileInfo info;
    const QFileInfo fileInfo(path);
    if (!fileInfo.exists())
        return Problem(info, QStringLiteral("does not exist"));
    if (fileInfo.isDir())
        return Problem(info, QStringLiteral("is a directory"));
    if (!fileInfo.isFile())
        return Problem(info, QStringLiteral("is not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Problem(info, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    const qint64 fileSize = file.size();
    if (fileSize == 0)
        return Problem(info, QStringLiteral("is empty"));
    const QByteArray head = file.read(kHeaderLimit);
    if (head.size() < 12)
        return Problem(info, QStringLiteral("is too short to be a wave file"));
    if (!head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return Problem(info, QStringLiteral("is not a wave file"));

    bool haveFormat = false;
    qint64 pos = 12;
    for (;;) {
        if (pos + 8 > head.size())
            return Problem(info, QStringLiteral("has a truncated header"));
        const QByteArray id = head.mid(pos, 4);
        const std::uint32_t size = Le32(head.constData() + pos + 4);
        const qint64 body = pos + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > head.size())
                return Problem(info, QStringLiteral("has a truncated header"));
            const char* f = head.constData() + body;
            info.formatTag = Le16(f);
            info.channels = Le16(f + 2);
            info.sampleRate = static_cast<int>(std::min<std::uint32_t>(Le32(f + 4), 1u << 30));
            info.bitsPerSample = Le16(f + 14);
            if (info.formatTag == 0xFFFE) { // WAVE_FORMAT_EXTENSIBLE: the subformat decides
                if (size < 40 || body + 26 > head.size())
                    return Problem(info, QStringLiteral("has a truncated header"));
                info.formatTag = Le16(f + 24);
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return Problem(info, QStringLiteral("has no format before its sound data"));
            info.dataBytes = size;
            const qint64 held = fileSize - body;
            if (held < static_cast<qint64>(size)) {
                return Problem(info, QStringLiteral("claims %1 bytes of sound but holds %2")
                                         .arg(size)
                                         .arg(std::max<qint64>(held, 0)));
            }
            break;
        }
        pos = body + size + (size & 1u); // chunks are padded to even sizes
    }

    if (info.channels < 1 || info.channels > 8 || info.sampleRate < 1)
        return Problem(info, QStringLiteral("has an invalid format header"));
    if (info.formatTag != 1 || (info.bitsPerSample != 8 && info.bitsPerSample != 16)) {
        return Problem(info, QStringLiteral("is in an unsupported format (%1, %2 channels)")
                                 .arg(FormatName(info))
                                 .arg(info.channels));
    }
    info.playable = true;
    return info;
}

} // namespace platform
