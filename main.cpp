#include "Form1.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts with a long plugin report when there is no display to talk to;
// say so in one line instead.
bool HaveDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true; // offscreen, vnc, eglfs...: they need no display server
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!HaveDisplay()) {
        std::fprintf(stderr, "pi-coins: no display found (neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set); start it from a graphical session\n");
        return EXIT_FAILURE;
    }

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pi-coins"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));

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
