#pragma once

#include "SoundBackend.h"

#include <cstdint>

struct ca_context;

namespace platform {

// Plays cues through libcanberra, the desktop's event-sound library: it
// streams the file to the sound server from its own thread, so starting a
// cue costs the caller a few milliseconds whatever the file's length.
class CanberraSoundBackend final : public SoundBackend
{
public:
    CanberraSoundBackend();
    ~CanberraSoundBackend() override;

    CanberraSoundBackend(const CanberraSoundBackend&) = delete;
    CanberraSoundBackend& operator=(const CanberraSoundBackend&) = delete;

    bool Start(const QString& path, QString* error) override;
    void Stop() override;

private:
    bool EnsureContext(QString* error);

    ca_context* m_context = nullptr;
    std::uint32_t m_playId = 0;
    bool m_playing = false;
};

} // namespace platform
