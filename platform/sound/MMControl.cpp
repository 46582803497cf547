#include "platform/sound/MMControl.h"

#include "platform/sound/CueFile.h"
#include "platform/sound/CueLookup.h"
#include "platform/sound/SoundLog.h"

namespace platform {

MMControl::MMControl(std::unique_ptr<SoundBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend))
{
    if (!m_backend)
        m_backend = MakeSystemSoundBackend();
}

void MMControl::SetCommand(const QString& command)
{
    const auto is = [word = command.trimmed()](const char* name) {
        return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("Stop")) {
        m_backend->Stop();
    } else if (is("Close")) {
        m_opened.reset();
    } else if (is("Open")) {
        OpenedCue cue = OpenCueFile(m_fileName);
        m_opened = std::move(cue.file);
        if (m_opened)
            qCDebug(lcSound).noquote() << "opened sound cue" << m_opened->Path();
        else
            WarnOnce(m_warned, cue.problem + QStringLiteral("; playing nothing"));
    } else if (is("Sound") && m_opened) {
        m_backend->Play(m_opened);
    }
}

} // namespace platform
