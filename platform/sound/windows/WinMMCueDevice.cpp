// Sound on Windows: the multimedia API's PlaySound, from memory, and what a
// cue must be for it to play. The cue is read through the handle it was
// checked by, so what plays is what was checked, and the buffer lives until
// the sound is stopped.
#include "platform/sound/CueDevice.h"
#include "platform/sound/CueFile.h"
#include "platform/sound/PlayerThreadBackend.h"
#include "platform/sound/WaveFile.h"

#include <new>
#include <windows.h>
// after windows.h, whose types it uses
#include <mmsystem.h>

namespace platform {

namespace {

constexpr int kPcm = 1;
constexpr int kFloat = 3;
constexpr int kExtensible = 0xfffe;
constexpr int kMaxChannels = 64;
constexpr std::uint32_t kMaxRate = 384'000;

class WinMMCueDevice final : public CueDevice
{
public:
    ~WinMMCueDevice() override { Stop(); }

    QString Play(const CueFile& cue) override
    {
        Stop();
        // PlaySound is given no length: it reads as many bytes as the RIFF
        // header counts (and Windows copies that many of a short sound), so
        // the buffer holds exactly those, which the check found in the file.
        const std::int64_t size = cue.WaveSize();
        m_sound.reset(new (std::nothrow) char[static_cast<std::size_t>(size)]);
        if (!m_sound)
            return QStringLiteral("no memory for its %1 bytes").arg(size);
        if (!cue.ReadAt(0, m_sound.get(), size))
            return QStringLiteral("the file cannot be read");
        if (!PlaySoundW(reinterpret_cast<LPCWSTR>(m_sound.get()), nullptr,
                        SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
            return QStringLiteral("the Windows multimedia system refuses it");
        return {};
    }

    void Stop() override
    {
        PlaySoundW(nullptr, nullptr, 0); // returns once the sound has stopped
        m_sound.reset();
    }

private:
    std::unique_ptr<char[]> m_sound;
};

} // namespace

// What PlaySound was measured to play (under Wine, into PulseAudio):
// integer PCM of 8, 16 and 24 bits, and of 32 bits when extensible; 32-bit
// float, plain or extensible; 1 to 64 channels; 100 Hz to 384 kHz. It
// refuses 32-bit plain PCM and 64-bit float, plays 12-bit PCM as silence,
// and ends the process on a rate above 384 kHz (the sound server's limit)
// or a header whose frame size is 0. The frame size a header states must be
// the one its format has.
QString SystemPlayerRefuses(const WaveLayout& wave)
{
    const bool extensible = wave.tag == kExtensible;
    const int format = extensible ? wave.subFormat : wave.tag;
    if ((format != kPcm && format != kFloat) || (extensible && wave.formatSize < 40))
        return QStringLiteral("is neither PCM nor float");
    const bool playable = format == kFloat ? wave.bits == 32
                                           : wave.bits == 8 || wave.bits == 16 || wave.bits == 24 ||
                                                 (extensible && wave.bits == 32);
    if (!playable)
        return QStringLiteral("is in an unsupported format (%1-bit %2%3)")
            .arg(wave.bits)
            .arg(format == kPcm ? QStringLiteral("PCM") : QStringLiteral("float"))
            .arg(extensible ? QStringLiteral(", extensible") : QString());
    if (wave.channels == 0 || wave.channels > kMaxChannels)
        return QStringLiteral("has %1 channels, which the player cannot map").arg(wave.channels);
    if (wave.rate == 0 || wave.rate > kMaxRate)
        return QStringLiteral("has a sample rate of %1 Hz, which the player refuses")
            .arg(wave.rate);
    if (wave.blockAlign != wave.channels * wave.bits / 8)
        return QStringLiteral("states frames of %1 bytes, not %2")
            .arg(wave.blockAlign)
            .arg(wave.channels * wave.bits / 8);
    return {};
}

std::unique_ptr<SoundBackend> MakeSystemSoundBackend()
{
    return std::make_unique<PlayerThreadBackend>([] { return std::make_unique<WinMMCueDevice>(); });
}

} // namespace platform
