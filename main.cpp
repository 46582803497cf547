#include "window/Form1.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Messages of the window system while it starts up are held back: when it
// cannot start (no display, or one that cannot be reached) the toolkit
// aborts with a long plugin report, and one line is what the user needs.
QList<QPair<QtMsgType, QString>>* g_startupMessages = nullptr;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        g_startupMessages->append({type, message});
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty() && wayland.isEmpty()) {
        std::fprintf(stderr, "pi-coins: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
                             "set); start it from a graphical session\n");
    } else {
        std::fprintf(stderr,
                     "pi-coins: cannot connect to the display (DISPLAY=%s, WAYLAND_DISPLAY=%s); "
                     "start it from a graphical session or set DISPLAY to a running one\n",
                     display.constData(), wayland.constData());
    }
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    QList<QPair<QtMsgType, QString>> startupMessages;
    g_startupMessages = &startupMessages;
    const QtMessageHandler defaultHandler = qInstallMessageHandler(HoldStartupMessage);
    QApplication app(argc, argv);
    qInstallMessageHandler(defaultHandler);
    for (const auto& [type, message] : std::as_const(startupMessages))
        qt_message_output(type, QMessageLogContext(), message);
    QCoreApplication::setApplicationName(QStringLiteral("pi-coins"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PI_COINS_VERSION));

    if (!window::HaveJapaneseFont()) {
        std::fprintf(stderr,
                     "pi-coins: no Japanese font found, so the window's texts show as boxes; "
                     "install the Debian package fonts-ipafont-gothic\n");
    }

    window::Form1 form;
    QObject::connect(&form, &window::Form1::Unloaded, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
