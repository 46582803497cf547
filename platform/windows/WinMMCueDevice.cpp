// Sound on Windows: the multimedia API's PlaySound, from memory. The cue is
// read through the handle it was checked by, so what plays is what was
// checked, and the buffer lives until the sound is stopped.
#include "platform/CueFiles.h"
#include "platform/SoundBackend.h"

#include <QByteArray>

#include <windows.h>
// after windows.h, whose types it uses
#include <mmsystem.h>

namespace platform {

namespace {

class WinMMCueDevice final : public CueDevice
{
public:
    ~WinMMCueDevice() override { Stop(); }

    QString Play(const CueFile& cue) override
    {
        Stop();
        m_sound.resize(static_cast<qsizetype>(cue.Size()));
        if (!cue.ReadAt(0, m_sound.data(), m_sound.size()))
            return QStringLiteral("the file cannot be read");
        if (!PlaySoundW(reinterpret_cast<LPCWSTR>(m_sound.constData()), nullptr,
                        SND_MEMORY | SND_ASYNC | SND_NODEFAULT))
            return QStringLiteral("the Windows multimedia system refuses it");
        return {};
    }

    void Stop() override
    {
        PlaySoundW(nullptr, nullptr, 0); // returns once the sound has stopped
        m_sound = QByteArray();
    }

private:
    QByteArray m_sound;
};

} // namespace

std::unique_ptr<SoundBackend> MakeSystemSoundBackend()
{
    return std::make_unique<PlayerThreadBackend>([] { return std::make_unique<WinMMCueDevice>(); });
}

} // namespace platform
