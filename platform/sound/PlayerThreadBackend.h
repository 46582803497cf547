#pragma once

#include "platform/sound/CueDevice.h"
#include "platform/sound/SoundBackend.h"

#include <functional>
#include <memory>
#include <thread>

namespace platform {

// Plays cues on a CueDevice from a player thread of its own. Play() and
// Stop() only leave a request for that thread and return: a sound system
// that is slow, stopped or never answers cannot hold up the caller. A newer
// request replaces one still waiting, so cues never pile up. A cue the
// device refuses, or has no memory for, is reported once, in one line.
// When no thread can be had, everything is silent, and that is said once.
class PlayerThreadBackend final : public SoundBackend
{
public:
    explicit PlayerThreadBackend(std::function<std::unique_ptr<CueDevice>()> makeDevice);
    // Ends the player thread; one still waiting on the sound system is left
    // to end with the process instead of being waited for.
    ~PlayerThreadBackend() override;

    void Play(std::shared_ptr<const CueFile> cue) override;
    void Stop() override { Play(nullptr); }

    struct Mailbox;

private:
    std::shared_ptr<Mailbox> m_mailbox;
    std::thread m_thread;
};

} // namespace platform
