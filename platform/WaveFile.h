#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// What the header of a wave file says, read without reading its sound.
struct WaveFileInfo
{
    bool playable = false;
    QString problem; // one short phrase when !playable, e.g. "is not a wave file"

    int formatTag = 0; // 1 integer PCM, 3 float (from the extensible subformat too)
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::int64_t dataBytes = 0; // what the data chunk claims
};

// Checks a file the way a cue player must before handing it on: that it
// exists, is a readable regular file, is a RIFF/WAVE file with a complete
// header, holds the data it claims, and is in a format the player handles
// (integer PCM of 8 or 16 bits, 1 to 8 channels). Reads at most the first
// 64 KiB, so the size of the file does not matter.
WaveFileInfo CheckWaveFile(const QString& path);

} // namespace platform
