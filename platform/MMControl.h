#pragma once

#include "SoundBackend.h"

#include <QLoggingCategory>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcSound)

namespace platform {

// The hidden multimedia control that plays the sound cues. It is driven the
// way such controls are: by writing a file name and then command words.
//   "Stop"   silences what is sounding
//   "Close"  forgets the opened file
//   "Open"   looks up FileName and checks it
//   "Sound"  starts the opened file and returns at once
// Other words are ignored. Nothing is reported back to the writer: a cue
// that cannot play is silent, and its problem is logged once, in one line,
// under the "pi-coins.sound" category (silence it with QT_LOGGING_RULES).
class MMControl final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(QString Command READ Command WRITE SetCommand)

public:
    // Takes the backend; without one it plays through libcanberra.
    explicit MMControl(std::unique_ptr<SoundBackend> backend = {}, QObject* parent = nullptr);
    ~MMControl() override;

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName);

    QString Command() const { return m_command; }
    void SetCommand(const QString& command);

    // The file "Open" found and accepted, empty when none is open.
    QString OpenedPath() const { return m_openedPath; }

private:
    void Stop();
    void Close();
    void Open();
    void Sound();
    void WarnOnce(const QString& message);

    std::unique_ptr<SoundBackend> m_backend;
    QString m_fileName;
    QString m_command;
    QString m_openedPath;
    QSet<QString> m_warned;
};

// Starts a cue from the beginning, stopping and closing whatever the control
// had open first: "Stop", "Close", FileName, "Open", "Sound".
void PlaySoundCue(MMControl& control, const QString& fileName);

} // namespace platform
