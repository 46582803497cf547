#pragma once

#include <QString>

namespace platform {

// What actually makes a cue sound. The cue player (MMControl) decides which
// file to play and when; a backend only starts and silences playback.
class SoundBackend
{
public:
    virtual ~SoundBackend() = default;

    // Starts playing a checked wave file. Returns false, with a reason in
    // `error`, when it could not be started; the caller then stays silent.
    virtual bool Start(const QString& path, QString* error) = 0;

    // Silences whatever this backend is playing. Harmless when nothing is.
    virtual void Stop() = 0;
};

} // namespace platform
