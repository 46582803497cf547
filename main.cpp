#include "window/Form1.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
#ifdef Q_OS_WIN
    std::fprintf(stderr, "pi-coins: the window system cannot be started; keep the folder "
                         "\"platforms\" beside pi-coins.exe\n");
    std::_Exit(EXIT_FAILURE);
#endif
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
    std::vector<char*> arguments(argv, argv + argc);
#ifdef Q_OS_WIN
    // FreeType draws bold from a font without a bold face as heavily as on
    // Linux; Windows' own font engines make it barely heavier, and neither
    // the classic Japanese Gothic nor the bundled IPA P Gothic has one.
    char platformOption[] = "-platform", freetype[] = "windows:fontengine=freetype";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        std::none_of(arguments.begin(), arguments.end(),
                     [](const char* a) { return std::strcmp(a, "-platform") == 0; }))
        arguments.insert(arguments.begin() + 1, {platformOption, freetype});
#endif
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    qInstallMessageHandler(defaultHandler);
    for (const auto& [type, message] : std::as_const(startupMessages))
        qt_message_output(type, QMessageLogContext(), message);
    QCoreApplication::setApplicationName(QStringLiteral("pi-coins"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PI_COINS_VERSION));

    if (!window::HaveJapaneseFont()) {
        std::fprintf(stderr,
                     "pi-coins: no Japanese font found, so the window's texts show as boxes; %s\n",
#ifdef Q_OS_WIN
                     "keep the folder \"fonts\" beside pi-coins.exe");
#else
                     "install the Debian package fonts-ipafont-gothic");
#endif
    }

    window::Form1 form;
    QObject::connect(&form, &window::Form1::Unloaded, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
