#pragma once

#include "platform/CueControl.h"
#include "platform/SoundBackend.h"

#include <QLoggingCategory>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcSound)

namespace platform {

class CueFile;

// The hidden multimedia control that plays the sound cues.
//   "Stop"   silences what is sounding
//   "Close"  forgets the opened file
//   "Open"   looks up FileName, opens and checks it
//   "Sound"  starts the opened file and returns at once
// Other words are ignored. Nothing is reported back to the writer: a cue
// that cannot play is silent, and its problem is logged once, in one line,
// under the "pi-coins.sound" category (silence it with QT_LOGGING_RULES).
class MMControl final : public QObject, public CueControl
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QString Command READ Command WRITE SetCommand)

public:
    // Takes the backend; without one it plays through the system's own.
    explicit MMControl(std::unique_ptr<SoundBackend> backend = {}, QObject* parent = nullptr);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) override { m_fileName = fileName; }

    QString Command() const { return m_command; }
    void SetCommand(const QString& command) override;

private:
    std::unique_ptr<SoundBackend> m_backend;
    QString m_fileName;
    QString m_command;
    std::shared_ptr<const CueFile> m_opened;
    QSet<QString> m_warned;
};

// Logs `message` as a warning under "pi-coins.sound", unless `warned` says
// it has been logged before: a cue that keeps failing is reported once.
void WarnOnce(QSet<QString>& warned, const QString& message);

} // namespace platform
