#pragma once

#include <QString>

namespace platform {

class CueFile;
struct WaveLayout;

// The operating system's sound output, as the player thread drives it: made,
// used and destroyed on that thread alone, so that it may wait as long as
// the sound system makes it. One implementation per system, in unix/ and
// windows/.
class CueDevice
{
public:
    virtual ~CueDevice() = default;
    // Starts `cue` from its beginning, silencing the one before. Returns why
    // it cannot be played, or nothing.
    virtual QString Play(const CueFile& cue) = 0;
    virtual void Stop() = 0;
};

// What the system's player cannot play, beside that player: one short
// phrase ("is not integer PCM"), or nothing for a wave it plays. Called on
// the window's thread with the layout the chunk walk found.
QString SystemPlayerRefuses(const WaveLayout& wave);

} // namespace platform
