#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <thread>

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

// The operating system's sound output, as the player thread drives it: made,
// used and destroyed on that thread alone, so that it may wait as long as
// the sound system makes it.
class CueDevice
{
public:
    virtual ~CueDevice() = default;
    // Starts `cue` from its beginning, silencing the one before. Returns why
    // it cannot be played, or nothing.
    virtual QString Play(const CueFile& cue) = 0;
    virtual void Stop() = 0;
};

// Plays cues on a CueDevice from a player thread of its own. Play() and
// Stop() only leave a request for that thread and return: a sound system
// that is slow, stopped or never answers cannot hold up the caller. A newer
// request replaces one still waiting, so cues never pile up. A cue the
// device refuses is reported once, in one line. When no thread can be had,
// everything is silent, and that is said once.
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

// The system's own sound output behind a player thread: libcanberra on
// Linux, the Windows multimedia API on Windows.
std::unique_ptr<SoundBackend> MakeSystemSoundBackend();

} // namespace platform
