#include "MMControl.h"

#include "CanberraSoundBackend.h"
#include "CueFiles.h"
#include "WaveFile.h"

Q_LOGGING_CATEGORY(lcSound, "pi-coins.sound", QtWarningMsg)

namespace platform {

MMControl::MMControl(std::unique_ptr<SoundBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend))
{
    if (!m_backend)
        m_backend = std::make_unique<CanberraSoundBackend>();
}

MMControl::~MMControl()
{
    Stop();
}

void MMControl::SetFileName(const QString& fileName)
{
    m_fileName = fileName;
}

void MMControl::SetCommand(const QString& command)
{
    m_command = command;
    const QString word = command.trimmed();
    if (word.compare(QLatin1String("Stop"), Qt::CaseInsensitive) == 0)
        Stop();
    else if (word.compare(QLatin1String("Close"), Qt::CaseInsensitive) == 0)
        Close();
    else if (word.compare(QLatin1String("Open"), Qt::CaseInsensitive) == 0)
        Open();
    else if (word.compare(QLatin1String("Sound"), Qt::CaseInsensitive) == 0)
        Sound();
}

void MMControl::Stop()
{
    m_backend->Stop();
}

void MMControl::Close()
{
    m_openedPath.clear();
}

void MMControl::Open()
{
    m_openedPath.clear();
    const QString path = LocateCueFile(m_fileName);
    if (path.isEmpty()) {
        WarnOnce(QStringLiteral("sound cue \"%1\" not found in %2; playing nothing")
                     .arg(m_fileName, CueSearchDirectories().join(QStringLiteral(", "))));
        return;
    }
    const WaveFileInfo info = CheckWaveFile(path);
    if (!info.playable) {
        WarnOnce(QStringLiteral("sound cue %1 %2; playing nothing").arg(path, info.problem));
        return;
    }
    m_openedPath = path;
    qCDebug(lcSound).noquote() << "opened sound cue" << path;
}

void MMControl::Sound()
{
    if (m_openedPath.isEmpty())
        return;
    QString error;
    if (!m_backend->Start(m_openedPath, &error))
        WarnOnce(QStringLiteral("sound cue %1 cannot be played: %2").arg(m_openedPath, error));
}

void MMControl::WarnOnce(const QString& message)
{
    if (m_warned.contains(message))
        return;
    m_warned.insert(message);
    qCWarning(lcSound).noquote() << message;
}

void PlaySoundCue(MMControl& control, const QString& fileName)
{
    control.SetCommand(QStringLiteral("Stop"));
    control.SetCommand(QStringLiteral("Close"));
    control.SetFileName(fileName);
    control.SetCommand(QStringLiteral("Open"));
    control.SetCommand(QStringLiteral("Sound"));
}

} // namespace platform
