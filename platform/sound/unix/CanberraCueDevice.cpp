// Sound on Linux: libcanberra, the desktop's event-sound library, which
// plays through PulseAudio (or PipeWire's PulseAudio server), and what a
// cue must be for it to play.
#include "platform/sound/CueDevice.h"
#include "platform/sound/CueFile.h"
#include "platform/sound/PlayerThreadBackend.h"
#include "platform/sound/WaveFile.h"

#include <canberra.h>

#include <bit>

namespace platform {

namespace {

constexpr std::uint32_t kMaxRate = 384'000; // PulseAudio's PA_RATE_MAX
constexpr int kMaxMaplessChannels = 6;      // PulseAudio's default channel maps
constexpr std::uint32_t kKnownChannelBits = 0x3ffff;

class CanberraCueDevice final : public CueDevice
{
public:
    ~CanberraCueDevice() override { Disconnect(); }

    QString Play(const CueFile& cue) override
    {
        Stop();
        int result = TryPlay(cue);
        if (result != CA_SUCCESS) {
            // A server that died or was restarted leaves the connection failing
            // every later cue: it is made anew, once for this cue.
            Disconnect();
            result = TryPlay(cue);
        }
        return result == CA_SUCCESS ? QString() : QString::fromUtf8(ca_strerror(result));
    }

    void Stop() override
    {
        if (m_context != nullptr)
            ca_context_cancel(m_context, m_id);
    }

private:
    void Disconnect()
    {
        if (m_context != nullptr)
            ca_context_destroy(m_context); // silences what still sounds
        m_context = nullptr;
    }

    // The cue is played by its open descriptor, so what plays is what was checked.
    int TryPlay(const CueFile& cue)
    {
        if (m_context == nullptr) {
            if (const int created = ca_context_create(&m_context); created != CA_SUCCESS)
                return created;
            ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "pi-coins",
                                    CA_PROP_APPLICATION_ID, "pi-coins", nullptr);
        }
        const QByteArray path = "/proc/self/fd/" + QByteArray::number(cue.Handle());
        return ca_context_play(m_context, ++m_id, CA_PROP_MEDIA_FILENAME, path.constData(),
                               CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL, "never",
                               nullptr);
    }

    ca_context* m_context = nullptr;
    std::uint32_t m_id = 0; // each cue its own, so that a cancel stops exactly the last one
};

} // namespace

// libcanberra's reader takes a "fmt " chunk of 16, 18 or 40 bytes of integer
// PCM of 8 or 16 bits; PulseAudio then needs a rate up to 384 kHz, whole
// frames, and a channel map (made up by itself for up to six channels,
// otherwise given by the file's channel mask).
QString SystemPlayerRefuses(const WaveLayout& wave)
{
    if (wave.formatSize != 16 && wave.formatSize != 18 && wave.formatSize != 40)
        return QStringLiteral("has a format header of %1 bytes, which the player refuses")
            .arg(wave.formatSize);
    const bool extensible = wave.formatSize == 40;
    if (wave.tag != (extensible ? 0xfffe : 1) || (extensible && wave.subFormat != 1))
        return QStringLiteral("is not integer PCM");
    if (wave.bits != 8 && wave.bits != 16)
        return QStringLiteral("is in an unsupported format (%1-bit PCM)").arg(wave.bits);
    const std::uint32_t mask = wave.channelMask & kKnownChannelBits;
    if (wave.channels == 0 ||
        (wave.channels > kMaxMaplessChannels && std::popcount(mask) != wave.channels))
        return QStringLiteral("has %1 channels, which the player cannot map").arg(wave.channels);
    if (wave.rate == 0 || wave.rate > kMaxRate)
        return QStringLiteral("has a sample rate of %1 Hz, which the player refuses")
            .arg(wave.rate);
    if (wave.dataSize % static_cast<std::uint32_t>(wave.channels * wave.bits / 8) != 0)
        return QStringLiteral("ends its sound data with a partial frame");
    return {};
}

std::unique_ptr<SoundBackend> MakeSystemSoundBackend()
{
    return std::make_unique<PlayerThreadBackend>(
        [] { return std::make_unique<CanberraCueDevice>(); });
}

} // namespace platform
