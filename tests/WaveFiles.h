#pragma once

// Wave files made in memory by the tests, good and bad.

#include <QByteArray>
#include <QFile>

#include <cmath>

namespace wave_files {

inline QByteArray Le16(int v)
{
    QByteArray b(2, '\0');
    b[0] = static_cast<char>(v & 0xff);
    b[1] = static_cast<char>((v >> 8) & 0xff);
    return b;
}

inline QByteArray Le32(quint32 v)
{
    return Le16(static_cast<int>(v & 0xffff)) + Le16(static_cast<int>(v >> 16));
}

// A RIFF/WAVE file around a format chunk body and sound data; the data
// chunk may claim more bytes than it holds.
inline QByteArray Riff(const QByteArray& format, const QByteArray& data, qint64 claimExtra = 0)
{
    const QByteArray body = "WAVEfmt " + Le32(static_cast<quint32>(format.size())) + format +
                            "data" + Le32(static_cast<quint32>(data.size() + claimExtra)) + data;
    return "RIFF" + Le32(static_cast<quint32>(body.size())) + body;
}

inline QByteArray Format(int formatTag, int channels, int bits)
{
    const int rate = 44100;
    const int blockAlign = channels * bits / 8;
    return Le16(formatTag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) +
           Le16(blockAlign) + Le16(bits);
}

// `frames` frames of silence in the given format.
inline QByteArray Wave(int formatTag, int channels, int bits, int frames, qint64 claimExtra = 0)
{
    return Riff(Format(formatTag, channels, bits), QByteArray(frames * channels * bits / 8, '\0'),
                claimExtra);
}

// The same in WAVE_FORMAT_EXTENSIBLE, whose subformat names the encoding.
inline QByteArray ExtensibleWave(int subformat, int channels, int bits, int frames)
{
    const QByteArray format = Format(0xFFFE, channels, bits) + Le16(22) + Le16(bits) + Le32(0x3F) +
                              Le16(subformat) + QByteArray::fromHex("000000001000800000aa00389b71");
    return Riff(format, QByteArray(frames * channels * bits / 8, '\0'));
}

// A 440 Hz tone at half scale, the same in every channel.
inline QByteArray Tone(int channels, int bits, int frames)
{
    QByteArray data;
    for (int i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2 * 3.14159265358979 * 440.0 * i / 44100);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                data.append(static_cast<char>(static_cast<quint8>(128 + std::lround(v * 127))));
            else
                data.append(Le16(static_cast<int>(std::lround(v * 32767))));
        }
    }
    return Riff(Format(1, channels, bits), data);
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace wave_files
