#pragma once

#include <QString>

#include <cstdint>

namespace platform {

class CueFile;

// Where a wave file's parts are and what its format header says, as found
// by walking its chunks. What a player accepts of it is that player's own
// matter (SystemPlayerRefuses, beside each system's player).
struct WaveLayout
{
    std::int64_t end = 0;         // 8 + the RIFF size, within the file
    std::uint32_t formatSize = 0; // of the first "fmt " chunk
    int tag = 0;                  // its format tag: 1 PCM, 3 float, 0xfffe extensible
    int subFormat = -1;           // extensible: the tag its GUID stands for; -1 none known
    int channels = 0;
    std::uint32_t rate = 0;
    int blockAlign = 0;
    int bits = 0;
    std::uint32_t channelMask = 0; // extensible only
    std::uint32_t dataSize = 0;    // of the first "data" chunk after the format
};

// Walks the chunks of the wave file open in `file` from the start, without
// pad bytes, as the players do: the first "fmt " chunk, then the first
// "data" chunk after it. Reads only headers, at most 17 of them for each of
// the two (16 other chunks may come before each), so nothing here grows
// with the file's size or content. Refuses what no player can take: a file
// that is not a wave, a RIFF size of 0 or of 64 MiB and more or one past
// the end of the file, chunks of 0 bytes or 64 MiB and more, a format header
// under 16 bytes, sound data past the RIFF size. Returns one short phrase
// saying what is wrong ("is not a wave file"), or nothing.
QString ReadWaveLayout(const CueFile& file, WaveLayout& wave);

} // namespace platform
