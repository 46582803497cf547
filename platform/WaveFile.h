#pragma once

#include <QString>

namespace platform {

// Checks the wave file open on `fd` exactly the way the player reads it, so
// that every file accepted here really plays: libcanberra's reader walks the
// chunks from the start without pad bytes, takes the first "fmt " chunk (16,
// 18 or 40 bytes, integer PCM of 8 or 16 bits) and the first "data" chunk
// after it, and refuses chunks of 64 MiB and more; PulseAudio then needs a
// rate up to 384 kHz, whole frames, and a channel map (made up by itself for
// up to six channels, otherwise given by the file's channel mask).
// Returns an empty string for a playable file, otherwise one short phrase
// saying what is wrong ("is not a wave file"). Reads only the headers.
QString CheckWaveFile(int fd);

} // namespace platform
