#include "window/CommandLine.h"

#include "platform/sound/CueFile.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace window {

namespace {

// The toolkit's options, taken by it once the window system starts: known
// here so that they are let through, and left out of the help.
constexpr const char* kToolkitOptionsWithValue[] = {"platform",
                                                    "platformpluginpath",
                                                    "platformtheme",
                                                    "plugin",
                                                    "qwindowgeometry",
                                                    "qwindowicon",
                                                    "qwindowtitle",
                                                    "geometry",
                                                    "title",
                                                    "display",
                                                    "name",
                                                    "session",
                                                    "style",
                                                    "stylesheet",
                                                    "qmljsdebugger",
                                                    "icon"};
constexpr const char* kToolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // -platform, as the toolkit writes it, is one option, not p-l-a-...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Estimates pi by throwing coins onto a square grid (the window's texts "
                       "are Japanese).\nCtrl+C in the window copies the board and its result."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows these options and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the version and ends."));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seeds the first run with S (0 to 4294967295) and each later run with "
                       "the seed that follows it, so that the same presses give the same "
                       "coins again. Each run's seed is in its record line."),
        QStringLiteral("S"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Appends one CSV line per run to FILE: time, coins, hits, estimate, "
                       "seed."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, seed, record});
    for (const char* name : kToolkitOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kToolkitFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    const auto refuse = [&result](const QString& why) {
        result.action = CommandLine::Action::Refuse;
        result.text = QStringLiteral("pi-coins: %1; see pi-coins --help").arg(why);
        return result;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText().remove(QRegularExpression(QStringLiteral("\\.$"))));
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        QStringList folders;
        for (const std::filesystem::path& folder : platform::InstalledCueFolders())
            folders << platform::PathText(folder);
        result.text = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                                QStringLiteral("Usage: pi-coins")) +
                      QStringLiteral("\nThe sound cues pinpon.wav and endpinpon.wav are looked for "
                                     "in the working folder, then in %1.\n")
                          .arg(folders.join(QStringLiteral(", ")));
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("pi-coins " PI_COINS_VERSION);
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument '%1'")
                          .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(seed)) {
        const QString value = parser.value(seed);
        bool ok = false;
        const qulonglong number = value.toULongLong(&ok, 10);
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
        if (!digits.match(value).hasMatch() || !ok || number > 0xffff'ffffULL)
            return refuse(QStringLiteral("bad value '%1' for --seed: give a whole number from 0 "
                                         "to 4294967295")
                              .arg(value));
        result.seed = std::uint32_t(number);
    }
    if (parser.isSet(record)) {
        result.recordPath = parser.value(record);
        if (result.recordPath.isEmpty())
            return refuse(QStringLiteral("bad value '' for --record: give a file name"));
    }
    return result;
}

} // namespace window
