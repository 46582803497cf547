#pragma once

// The sound code's one logging category, "pi-coins.sound": warnings are on,
// debug lines off (QT_LOGGING_RULES="pi-coins.sound.debug=true" shows them,
// "pi-coins.sound=false" silences everything).

#include <QLoggingCategory>
#include <QSet>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcSound)

namespace platform {

// Logs `message` as a warning under "pi-coins.sound", unless `warned` says
// it has been logged before: a cue that keeps failing is reported once.
void WarnOnce(QSet<QString>& warned, const QString& message);

} // namespace platform
