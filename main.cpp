#include "platform/RunRecord.h"
#include "platform/WindowSystem.h"
#include "window/CommandLine.h"
#include "window/Form1.h"

#include <QApplication>

#include <cstdlib>

namespace {

// Messages of the window system while it starts up are held back: when it
// cannot start (no display, or one that cannot be reached) the toolkit
// aborts with a long plugin report, and one line is what the user needs,
// where the user sees it.
QList<QPair<QtMsgType, QString>>* g_startupMessages = nullptr;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtFatalMsg) {
        g_startupMessages->append({type, message});
        return;
    }
    platform::ShowText(platform::WindowSystemFailure(), true);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char* argv[])
{
    // The command line first, without the window system: --help and
    // --version work where there is no display.
    const window::CommandLine commandLine =
        window::ParseCommandLine(platform::CommandLineArguments(argc, argv));
    if (commandLine.action != window::CommandLine::Action::Run) {
        const bool refused = commandLine.action == window::CommandLine::Action::Refuse;
        platform::ShowText(commandLine.text, refused);
        return refused ? 2 : 0;
    }
    platform::MarkRunning();
    // What the toolkit needs and would miss only after a box of its own.
    if (const QString problem = platform::WindowSystemMissing(); !problem.isEmpty()) {
        platform::ShowText(problem, true);
        return EXIT_FAILURE;
    }

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
    // The window belongs to its desktop entry: its app id on Wayland, and
    // the class its entry's StartupWMClass names on X11.
    QGuiApplication::setDesktopFileName(QStringLiteral(PI_COINS_APP_ID));

    if (!window::HaveJapaneseFont()) {
        platform::ShowText(
            QStringLiteral("pi-coins: no Japanese font found, so the window's texts show as "
                           "boxes; %1")
                .arg(platform::JapaneseFontAdvice()),
            true);
    }

    window::Form1::Services services;
    services.seed = commandLine.seed;
    if (!commandLine.recordPath.isEmpty()) {
        QString problem;
        services.record = platform::RunRecord::Open(commandLine.recordPath, problem);
        if (!services.record) {
            platform::ShowText(
                QStringLiteral("pi-coins: runs are not recorded: %1 cannot be appended to (%2)")
                    .arg(commandLine.recordPath, problem),
                true);
        }
    }
    window::Form1 form(std::move(services));
    QObject::connect(&form, &window::Form1::Unloaded, &app, [] { QCoreApplication::exit(0); });
    form.show();
    return app.exec();
}
