#include "platform/sound/CueControl.h"

namespace platform {

void PlaySoundCue(CueControl& control, const QString& fileName)
{
    control.SetCommand(QStringLiteral("Stop"));
    control.SetCommand(QStringLiteral("Close"));
    control.SetFileName(fileName);
    control.SetCommand(QStringLiteral("Open"));
    control.SetCommand(QStringLiteral("Sound"));
}

} // namespace platform
