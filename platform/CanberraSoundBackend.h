#pragma once

#include "platform/SoundBackend.h"

#include <memory>
#include <thread>

namespace platform {

// Plays cues through libcanberra, the desktop's event-sound library, from a
// player thread of its own that owns the sound server connection. Play()
// and Stop() only leave a request for that thread and return: a server that
// is slow, stopped or never answers cannot hold up the caller. A newer
// request replaces one still waiting, so cues never pile up.
class CanberraSoundBackend final : public SoundBackend
{
public:
    CanberraSoundBackend();
    // Ends the player thread; one still waiting on the server is left to
    // end with the process instead of being waited for.
    ~CanberraSoundBackend() override;

    void Play(std::shared_ptr<const CueFile> cue) override;
    void Stop() override { Play(nullptr); }

    struct Mailbox;

private:
    std::shared_ptr<Mailbox> m_mailbox;
    std::thread m_thread;
};

} // namespace platform
