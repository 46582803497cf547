#include "platform/WindowSystem.h"
#include "window/Form1.h"

#include <QApplication>

#include <cstdlib>

namespace {

// Messages of the window system while it starts up are held back: when it
// cannot start (no display, or one that cannot be reached; on Windows, no
// "platforms" folder) the toolkit aborts with a long plugin report, and one
// line is what the user needs, where the user sees it.
QList<QPair<QtMsgType, QString>>* g_startupMessages = nullptr;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        g_startupMessages->append({type, message});
        return;
    }
#ifdef Q_OS_WIN
    platform::ShowStartupProblem(QStringLiteral("pi-coins: the window system cannot be started; "
                                                "keep the folder \"platforms\" beside "
                                                "pi-coins.exe"));
#else
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty() && wayland.isEmpty()) {
        platform::ShowStartupProblem(
            QStringLiteral("pi-coins: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
                           "set); start it from a graphical session"));
    } else {
        platform::ShowStartupProblem(
            QStringLiteral("pi-coins: cannot connect to the display (DISPLAY=%1, "
                           "WAYLAND_DISPLAY=%2); start it from a graphical session or set "
                           "DISPLAY to a running one")
                .arg(display, wayland));
    }
#endif
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    QList<QPair<QtMsgType, QString>> startupMessages;
    g_startupMessages = &startupMessages;
    const QtMessageHandler defaultHandler = qInstallMessageHandler(HoldStartupMessage);
    QApplication app(argc, argv);
    // From here on, messages go where the toolkit sends them: standard
    // error, or on Windows the debugger's output.
    qInstallMessageHandler(defaultHandler);
    for (const auto& [type, message] : std::as_const(startupMessages))
        qt_message_output(type, QMessageLogContext(), message);
    QCoreApplication::setApplicationName(QStringLiteral("pi-coins"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PI_COINS_VERSION));

    if (!window::HaveJapaneseFont()) {
        platform::ShowStartupProblem(
            QStringLiteral("pi-coins: no Japanese font found, so the window's texts show as "
                           "boxes; %1")
#ifdef Q_OS_WIN
                .arg(QStringLiteral("keep the folder \"fonts\" beside pi-coins.exe")));
#else
                .arg(QStringLiteral("install the Debian package fonts-ipafont-gothic")));
#endif
    }

    window::Form1 form;
    QObject::connect(&form, &window::Form1::Unloaded, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
