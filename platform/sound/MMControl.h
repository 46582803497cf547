#pragma once

// The sound cue player. A cue's way, from the caller to the speaker:
//
//   PlaySoundCue (CueControl.h)     "Stop", "Close", FileName, "Open", "Sound"
//   MMControl (this file)           the control those words are written to
//   OpenCueFile (CueLookup.h)       "Open": finds the file, by bare name in
//                                   the working, data and program folders
//   CueFile (CueFile.h)             the file, opened once, read positionally
//   ReadWaveLayout (WaveFile.h)     walks its chunks: the format, the data
//   SystemPlayerRefuses (CueDevice.h, beside each system's player)
//                                   what that player cannot play
//   SoundBackend (SoundBackend.h)   "Sound" and "Stop" hand the cue over
//   PlayerThreadBackend (PlayerThreadBackend.h)
//                                   a player thread, so nothing waits
//   CueDevice (CueDevice.h)         on that thread: libcanberra (unix/) or
//                                   PlaySound (windows/)
//
// Problems are logged once each, in one line (SoundLog.h).

#include "platform/sound/CueControl.h"
#include "platform/sound/SoundBackend.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

namespace platform {

class CueFile;

// The hidden multimedia control that plays the sound cues.
//   "Stop"   silences what is sounding
//   "Close"  forgets the opened file
//   "Open"   looks up FileName, opens and checks it
//   "Sound"  starts the opened file and returns at once
// Other words are ignored. Nothing is reported back to the writer: a cue
// that cannot play is silent, and its problem is logged once.
class MMControl final : public QObject, public CueControl
{
    Q_OBJECT

public:
    // Takes the backend; without one it plays through the system's own.
    explicit MMControl(std::unique_ptr<SoundBackend> backend = {}, QObject* parent = nullptr);

    void SetFileName(const QString& fileName) override { m_fileName = fileName; }

    void SetCommand(const QString& command) override;

private:
    std::unique_ptr<SoundBackend> m_backend;
    QString m_fileName;
    std::shared_ptr<const CueFile> m_opened;
    QSet<QString> m_warned;
};

} // namespace platform
