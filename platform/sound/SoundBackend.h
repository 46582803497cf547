#pragma once

#include <memory>

namespace platform {

class CueFile;

// What actually makes a cue sound. The cue player (MMControl) decides which
// file to play and when; a backend only starts and silences playback. Both
// calls return at once, whatever the sound system does.
class SoundBackend
{
public:
    virtual ~SoundBackend() = default;

    // Plays an opened, checked cue from its beginning, silencing the one
    // before. A failure is the backend's to report.
    virtual void Play(std::shared_ptr<const CueFile> cue) = 0;

    // Silences whatever this backend is playing. Harmless when nothing is.
    virtual void Stop() = 0;
};

// Plays nothing: for tools and benchmarks that must stay silent.
class NullSoundBackend final : public SoundBackend
{
public:
    void Play(std::shared_ptr<const CueFile>) override {}
    void Stop() override {}
};

// The system's own sound output behind a player thread: libcanberra on
// Linux, the Windows multimedia API on Windows.
std::unique_ptr<SoundBackend> MakeSystemSoundBackend();

} // namespace platform
