// On a private X server: the toolkit's own message box, and the real program
// (or the one PI_COINS_PROGRAM names: the unpacked package, the Windows zip's).

#include "Doubles.h"
#include "SoundServer.h"
#include "platform/WindowSystem.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

const QString kProgram =
    qEnvironmentVariable("PI_COINS_PROGRAM", QStringLiteral(PI_COINS_EXECUTABLE));

// Types and clicks on the X server, and finds its windows ("search ... windowfocus"
// gives one the focus): what it says, or nothing when it fails.
std::optional<QString> Xdotool(const QString& arguments)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, arguments.split(u' '));
    if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(xdotool.readAllStandardOutput());
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exitAnsweredNoLeavesTheBoardAsItWas_data()
    {
        QTest::addColumn<bool>("windowManager");
        QTest::addColumn<QString>("reach"); // how 終了 is pressed
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("when"); // once, or twice in a row
        QTest::newRow("no wm, click, mouse") << false << u"click"_s << u"mouse"_s << u"once"_s;
        QTest::newRow("no wm, keys, Esc, twice") << false << u"key"_s << u"Escape"_s << u"twice"_s;
        QTest::newRow("wm, click, mouse") << true << u"click"_s << u"mouse"_s << u"once"_s;
        QTest::newRow("wm, keys, Tab Return, twice")
            << true << u"key"_s << u"Tab Return"_s << u"twice"_s;
        QTest::newRow("wm, screen reader, close button, twice")
            << true << u"accessible"_s << u"alt+F4"_s << u"twice"_s;
        // Answered by a screen reader while another program has the focus; then, no window
        // manager after one that ended without a word (its mark left on the root window).
        QTest::newRow("wm, keys, answered from another program")
            << true << u"key"_s << u"away"_s << u"once"_s;
        QTest::newRow("no wm, screen reader, Tab Space")
            << false << u"accessible"_s << u"Tab space"_s << u"once"_s;
    }
    void exitAnsweredNoLeavesTheBoardAsItWas()
    {
        QFETCH(bool, windowManager);
        QFETCH(QString, reach);
        QFETCH(QString, answer);
        QFETCH(QString, when);
        QProcess wm;
        if (windowManager) { // ready once it announces itself on the root window
            wm.start(u"openbox"_s, {u"--sm-disable"_s});
            QTRY_VERIFY_WITH_TIMEOUT(platform::ActivationIsHandedBack(), 10000);
        }
        QVERIFY(!platform::ActivationIsHandedBack() || windowManager);
        QProcess other; // another program's window
        other.start(u"xmessage"_s, {u"-title"_s, u"other"_s, u"another program"_s});
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name ^other$"_s), 10000);
        Window w({}, {}, true);
        window::Form1& form = *w.form;
        const QString activate = windowManager ? u"windowactivate"_s : u"windowfocus"_s;
        QTRY_VERIFY(Xdotool(u"search --name 円周率 "_s + activate) && form.isActiveWindow());
        w.Command(1)->click();
        const QImage board = w.Board();
        int asked = 0;
        QTimer answering; // No, once a question has the focus
        QObject::connect(&answering, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isActiveWindow() || box->property("answered").toBool())
                return;
            box->setProperty("answered", true);
            // A check that fails here closes the question, so that the test ends.
            const auto closeOnFailure = qScopeGuard([box] {
                if (QTest::currentTestFailed())
                    box->reject();
            });
            // The closing cue first; then the question, its title and its two buttons; wide
            // enough for its whole title in the title bar's font, the frame's buttons beside.
            QCOMPARE(w.log.last(), u"Play "_s + QDir::current().filePath(u"endpinpon.wav"_s));
            QCOMPARE(box->windowTitle() + box->text() + box->button(QMessageBox::Yes)->text() +
                         box->button(QMessageBox::No)->text(),
                     u"コインを投げてπの近似終了していいですか？はいいいえ"_s);
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes)); // in any button order
            const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            QVERIFY(box->width() >=
                    title.horizontalAdvance(box->windowTitle()) + 6 * title.height());
            const QPoint no = box->button(QMessageBox::No)->mapToGlobal(QPoint(10, 10));
            if (answer == u"away") {
                QVERIFY(Xdotool(u"search --name ^other$ windowactivate"_s));
                QTRY_VERIFY(!QGuiApplication::focusWindow());
                QAccessible::queryAccessibleInterface(box->button(QMessageBox::No))
                    ->actionInterface()
                    ->doAction(QAccessibleActionInterface::pressAction());
            } else {
                QVERIFY(Xdotool(answer == u"mouse"_s
                                    ? u"mousemove %1 %2 click 1"_s.arg(no.x()).arg(no.y())
                                    : u"key "_s + answer));
            }
            ++asked;
        });
        answering.start(20);
        const QPoint exit = w.Command(5)->mapToGlobal(QPoint(10, 10));
        for (int question = 1; question <= (when == u"twice" ? 2 : 1); ++question) {
            if (windowManager) // the window back from the question before, by its hand-back
                QTRY_VERIFY_WITH_TIMEOUT(form.isActiveWindow(), 10000);
            if (reach == u"click") {
                QVERIFY(Xdotool(u"mousemove %1 %2 click 1"_s.arg(exit.x()).arg(exit.y())));
            } else if (reach == u"key") {
                w.Command(5)->setFocus();
                QVERIFY(Xdotool(u"key space"_s));
            } else { // pressed as a screen reader does, without a click on the window
                QAccessible::queryAccessibleInterface(w.Command(5))
                    ->actionInterface()
                    ->doAction(QAccessibleActionInterface::pressAction());
            }
            QTRY_COMPARE_WITH_TIMEOUT(asked, question, 10000);
            QTRY_VERIFY(!QApplication::activeModalWidget());
        }
        if (windowManager && answer != u"away") // the hand-back
            QTRY_VERIFY_WITH_TIMEOUT(form.isActiveWindow(), 10000);
        QCOMPARE(w.Board(), board);
        if (!windowManager) { // showing the window again is no activation either
            form.hide();
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(w.Board(), board);
        }
        // Coming back from another program's window is an activation: the grid is drawn.
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name ^other$ "_s + activate), 10000);
        QTRY_VERIFY(!form.isActiveWindow());
        QVERIFY(Xdotool(u"search --name 円周率 "_s + activate));
        QTRY_VERIFY(w.Board() != board);
        other.kill(), other.waitForFinished();
        wm.kill(), wm.waitForFinished(); // without a word, as a crash would
    }
    void programOnTheDesktop_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QString>("window");       // on the 1280 x 1024 screen, in its pixels
        QTest::addColumn<QByteArray>("handsBack"); // whether a closing dialog hands activation back
        QTest::addColumn<int>("server"); // run and ended by Yes: 1 answering, 2 never answering
        const QString fits = u"X=358 Y=68 WIDTH=570 HEIGHT=636"_s;
        QTest::newRow("working server") << u"xcb"_s << u"1"_s << fits << QByteArray("0") << 1;
        QTest::newRow("server that never answers") // the cue is silent, the end comes
            << u"xcb"_s << u"1"_s << fits << QByteArray("0") << 2;
        // Taller than the screen: its top-left inside, a title bar's height below the top.
        QTest::newRow("X11 at 2x, too small")
            << u"xcb"_s << u"2"_s << u"X=140 Y=[1-9][0-9]? WIDTH=1140 HEIGHT=1272"_s
            << QByteArray("0") << 0;
        QTest::newRow("Wayland") << u"wayland"_s << u"1"_s << QString() << QByteArray("1") << 0;
    }
    void programOnTheDesktop()
    {
        QFETCH(QString, platform);
        QFETCH(QString, scale);
        QFETCH(QString, window);
        QFETCH(QByteArray, handsBack);
        QFETCH(int, server);
        QTemporaryDir runtime;
        QProcess compositor, program, asked;
        const auto end = qScopeGuard([&] {
            program.kill(), program.waitForFinished();
            compositor.kill(), compositor.waitForFinished();
        });
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_SCALE_FACTOR"_s, scale);
        env.insert(u"QT_QPA_PLATFORM"_s, platform);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        env.insert(u"WAYLAND_DISPLAY"_s, u"wayland-test"_s);
        if (platform == u"wayland") { // headless
            compositor.setProcessEnvironment(env);
            compositor.start(u"weston"_s, {u"--backend=headless-backend.so"_s,
                                           u"--socket=wayland-test"_s, u"--idle-time=0"_s});
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(runtime.filePath(u"wayland-test"_s)), 20000);
        }
        asked.setProcessEnvironment(env); // the window system's rule, on the same display
        asked.start(QCoreApplication::applicationFilePath(), {u"--hands-back"_s});
        QVERIFY(asked.waitForFinished(20000));
        QCOMPARE(asked.readAllStandardOutput(), handsBack);
        SoundServer sound;
        QVERIFY(!server || sound.Start());
        if (server == 2)
            sound.Freeze();
        env.insert(u"PULSE_SERVER"_s, sound.Address());
        env.insert(u"QT_LOGGING_RULES"_s, u"pi-coins.run.debug=true"_s); // said after start-up
        env.insert(u"WAYLAND_DEBUG"_s, u"client"_s); // the program says what it sends
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QDir::rootPath());  // no cues here: the program's own play
        const bool wine = kProgram.endsWith(u".exe"_s); // a Windows build runs under Wine
        const QStringList seed{u"--seed"_s, u"2026"_s}; // its first run: 6 hits of 10
        program.start(wine ? u"wine"_s : kProgram, wine ? QStringList{kProgram} + seed : seed);
        if (platform == u"wayland") { // the app id Wayland finds the entry by
            QString err;
            QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromLocal8Bit(program.readAllStandardError()))
                                         .contains(u"set_app_id(\"io.github.picoins.PiCoins\")"_s),
                                     20000);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name 円周率 windowfocus"_s), 60000);
        if (!wine) { // found by the class its desktop entry names, and in its place
            QFile entry(QStringLiteral(PI_COINS_DESKTOP_ENTRY));
            QVERIFY(entry.open(QIODevice::ReadOnly));
            const QString wmClass = QString::fromUtf8(entry.readAll())
                                        .section(u"\nStartupWMClass="_s, 1)
                                        .section(u'\n', 0, 0);
            const auto place =
                Xdotool(u"search --class ^%1$ getwindowgeometry --shell"_s.arg(wmClass));
            QVERIFY(place);
            QVERIFY2(QRegularExpression(window.replace(u' ', u'\n')).match(*place).hasMatch(),
                     qPrintable(*place));
        }
        if (!server)
            return;
        // The canvas's drawing area, where the window opens; its grid shows.
        const auto canvas = [] {
            return QGuiApplication::primaryScreen()->grabWindow(0, 384, 118, 523, 435).toImage();
        };
        QTRY_COMPARE_WITH_TIMEOUT(canvas().pixel(5, 36), 0xff000000, 20000);
        const QImage grid = canvas();
        // Tab leaves the canvas for 10個; Space presses it: coins, and the cue sounds.
        QVERIFY(Xdotool(u"key Tab space"_s));
        QTRY_VERIFY(canvas() != grid);
        if (server == 1)
            QTRY_VERIFY_WITH_TIMEOUT(sound.SoundedSince(0), 20000);
        // Four more to 終了; Enter answers its question with the default, Yes.
        QVERIFY(Xdotool(u"key Tab Tab Tab Tab space"_s));
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name ^コインを投げてπの近似$ windowfocus"_s),
                                 20000);
        QVERIFY(Xdotool(u"key Return"_s));
        QVERIFY(program.waitForFinished(20000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        if (!wine) // where the toolkit's own messages go, after start-up too
            QVERIFY(program.readAllStandardError().contains(
                "run of 10 coins: 6 hits, estimate 2.4, seed 2026"));
    }
    void oneLineWhenItCannotStartOrShowItsTexts_data()
    {
        QTest::addColumn<QStringList>("environment"); // what differs from the caller's
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status"); // -1: it goes on
        QTest::addColumn<QString>("says");
        const QStringList none, offscreen{u"QT_QPA_PLATFORM=offscreen"_s};
        QTest::newRow("no display") << none << none << 1 << u"pi-coins: no display found"_s;
        QTest::newRow("stale DISPLAY")
            << QStringList{u"DISPLAY=:4242"_s} << none << 1
            << u"pi-coins: cannot connect to the display (DISPLAY=:4242, WAYLAND_DISPLAY=); "_s;
        QTest::newRow("Wayland compositor not there")
            << QStringList{u"WAYLAND_DISPLAY=wayland-gone"_s} << none << 1
            << u"pi-coins: cannot connect to the display (DISPLAY=, WAYLAND_DISPLAY=wayland-gone); "_s;
        QTest::newRow("no Japanese font") // fontconfig told of no fonts at all
            << offscreen + QStringList{u"FONTCONFIG_FILE=NOFONTS"_s} << none << -1
            << u"pi-coins: no Japanese font found"_s;
        QTest::newRow("--version, no display")
            << none << QStringList{u"--version"_s} << 0 << u"pi-coins 1.00\n"_s;
        QTest::newRow("a bad value") << none << QStringList{u"--seed"_s, u"-1"_s} << 2
                                     << u"pi-coins: bad value '-1' for --seed"_s;
        QTest::newRow("a record it cannot append to")
            << offscreen << QStringList{u"--record"_s, u"/"_s} << -1
            << u"pi-coins: runs are not recorded: / cannot be appended to"_s;
    }
    void oneLineWhenItCannotStartOrShowItsTexts()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, says);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"DISPLAY"_s);
        QTemporaryDir runtime; // so that Wayland's library has nothing of its own to say
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        QFile noFonts(runtime.filePath(u"fonts.conf"_s)); // a fontconfig that knows no fonts
        QVERIFY(noFonts.open(QIODevice::WriteOnly) && noFonts.write("<fontconfig/>") > 0);
        noFonts.close();
        for (const QString& entry : environment)
            env.insert(entry.section(u'=', 0, 0),
                       entry.section(u'=', 1).replace(u"NOFONTS"_s, noFonts.fileName()));
        env.insert(u"QT_LOGGING_RULES"_s, u"pi-coins.window.debug=true"_s); // says it opened
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(kProgram, arguments);
        QString said; // one line; then the end, or the window
        const auto more = [&] { return said += QString::fromLocal8Bit(program.readAll()); };
        QTRY_VERIFY_WITH_TIMEOUT(more().contains(u'\n'), 30000);
        QVERIFY2(said.startsWith(says), qPrintable(said));
        if (status >= 0) {
            QTRY_COMPARE(program.state(), QProcess::NotRunning);
            QCOMPARE(program.exitCode(), status);
            QVERIFY2(more().count(u'\n') == 1, qPrintable(said));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(more().contains(u"grid drawn"_s), 30000);
        }
        program.kill(), program.waitForFinished();
    }
};

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--hands-back") == 0) {
        QGuiApplication app(argc, argv);
        std::fputs(platform::ActivationIsHandedBack() ? "1" : "0", stdout);
        std::fflush(stdout); // before any leak report at the end of a sanitized build
        return 0;
    }
    // A private X server on a free display; Xvfb names it once it takes connections.
    QProcess xvfb;
    xvfb.start(QStringLiteral(PI_COINS_TEST_SERVERS), {u"x"_s});
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(10000)) {
    }
    qputenv("DISPLAY", ":" + xvfb.readLine().trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    DesktopTest test;
    const int status = QTest::qExec(&test, argc, argv);
    xvfb.kill(), xvfb.waitForFinished();
    return status;
}

#include "tst_desktop.moc"
