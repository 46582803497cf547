#include "platform/sound/SoundLog.h"

Q_LOGGING_CATEGORY(lcSound, "pi-coins.sound", QtWarningMsg)

namespace platform {

void WarnOnce(QSet<QString>& warned, const QString& message)
{
    if (!warned.contains(message))
        qCWarning(lcSound).noquote() << *warned.insert(message);
}

} // namespace platform
