// Sound on Linux: libcanberra, the desktop's event-sound library, which
// plays through PulseAudio (or PipeWire's PulseAudio server).
#include "platform/CueFiles.h"
#include "platform/SoundBackend.h"

#include <canberra.h>

namespace platform {

namespace {

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

std::unique_ptr<SoundBackend> MakeSystemSoundBackend()
{
    return std::make_unique<PlayerThreadBackend>(
        [] { return std::make_unique<CanberraCueDevice>(); });
}

} // namespace platform
