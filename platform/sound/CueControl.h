#pragma once

#include <QString>

namespace platform {

// A control driven the way multimedia controls are: by writing a file name
// and command words. Code that plays cues sees only this, so that tests can
// read what it wrote.
class CueControl
{
public:
    virtual ~CueControl() = default;
    virtual void SetFileName(const QString& fileName) = 0;
    virtual void SetCommand(const QString& command) = 0;
};

// Starts a cue from the beginning, stopping and closing whatever the control
// had open first: "Stop", "Close", FileName, "Open", "Sound".
void PlaySoundCue(CueControl& control, const QString& fileName);

} // namespace platform
