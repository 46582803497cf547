// On a private X server: the toolkit's own message box, and the real program
// (or the one PI_COINS_PROGRAM names: the unpacked package, the Windows zip's).

#include "Doubles.h"
#include "SoundServer.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

namespace {

const QString kProgram =
    qEnvironmentVariable("PI_COINS_PROGRAM", QStringLiteral(PI_COINS_EXECUTABLE));

// Types and clicks on the X server; "search ... windowfocus" gives a window the focus.
bool Xdotool(const QString& arguments)
{
    QProcess xdotool;
    xdotool.start(u"xdotool"_s, arguments.split(u' '));
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exitAnsweredNoLeavesTheBoardAsItWas()
    {
        Window w;
        window::Form1& form = *w.form;
        Log& log = w.log;
        form.activateWindow(); // no window manager here to do it
        QVERIFY(QTest::qWaitForWindowActive(&form));
        w.Command(1)->click();
        const QImage board = w.Picture1()->Board().Image();
        QString asked;
        QTimer answer; // No, once the question has the focus
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const QFontMetrics titleFont(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            if (box && box->isActiveWindow() && asked.isEmpty()) {
                asked = log.last() + u'/' + box->windowTitle() + u'/' + box->text();
                // The title bar also holds an icon and buttons, each about a line wide.
                if (box->width() <
                        titleFont.horizontalAdvance(box->windowTitle()) + 4 * titleFont.height() ||
                    !box->button(QMessageBox::Yes)->icon().isNull())
                    asked += u" (narrow, or with icons)"_s;
                box->button(QMessageBox::No)->click();
            }
        });
        answer.start(20);
        // 終了 pressed as a screen reader does, without a click on the window.
        QAccessible::queryAccessibleInterface(w.Command(5))
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        // The closing cue was started before the question was asked.
        QTRY_COMPARE(asked, u"Play "_s + QDir::current().filePath(u"endpinpon.wav"_s) +
                                u"/コインを投げてπの近似/終了していいですか？"_s);
        // The question hands the activation back as it closes (the window
        // manager's part, done here): the board stays.
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());
        QCOMPARE(w.Picture1()->Board().Image(), board);
        // Coming back from another window is an activation: the grid is drawn.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        form.activateWindow();
        QTRY_VERIFY(w.Picture1()->Board().Image() != board);
    }
    void programStartsRunsAndEndsOnYes()
    {
        SoundServer server;
        QVERIFY(server.Start());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.insert(u"PULSE_SERVER"_s, server.Address());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QDir::rootPath());  // no cues here: the program's own play
        const bool wine = kProgram.endsWith(u".exe"_s); // a Windows build runs under Wine
        program.start(wine ? u"wine"_s : kProgram, wine ? QStringList{kProgram} : QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name 円周率 windowfocus"_s), 60000);
        // The canvas's drawing area, where the window opens; its grid shows.
        const auto canvas = [] {
            return QGuiApplication::primaryScreen()->grabWindow(0, 384, 118, 523, 435).toImage();
        };
        QTRY_COMPARE_WITH_TIMEOUT(canvas().pixel(5, 36), 0xff000000, 20000);
        const QImage grid = canvas();
        // Tab leaves the canvas for 10個; Space presses it: coins, and the cue sounds.
        QVERIFY(Xdotool(u"key Tab space"_s));
        QTRY_VERIFY(canvas() != grid);
        QTRY_VERIFY_WITH_TIMEOUT(server.Recording().count('\0') < server.Recording().size(), 20000);
        // Four more to 終了; Enter answers its question with the default, Yes.
        QVERIFY(Xdotool(u"key Tab Tab Tab Tab space"_s));
        QTRY_VERIFY_WITH_TIMEOUT(Xdotool(u"search --name ^コインを投げてπの近似$ windowfocus"_s),
                                 20000);
        QVERIFY(Xdotool(u"key Return"_s));
        QVERIFY(program.waitForFinished(20000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
    }
    void oneLineWhenItCannotStartOrShowItsTexts_data()
    {
        QTest::addColumn<QStringList>("environment"); // what differs from the caller's
        QTest::addColumn<QString>("says");
        QTest::newRow("no display") << QStringList() << u"pi-coins: no display found"_s;
        QTest::newRow("stale DISPLAY")
            << QStringList{u"DISPLAY=:4242"_s} << u"pi-coins: cannot connect"_s;
        QTest::newRow("Wayland leading nowhere")
            << QStringList{u"WAYLAND_DISPLAY=nowhere-0"_s} << u"pi-coins: cannot connect"_s;
        QTest::newRow("no Japanese font") // fontconfig told of no fonts at all
            << QStringList{u"QT_QPA_PLATFORM=offscreen"_s, u"FONTCONFIG_FILE="_s}
            << u"pi-coins: no Japanese font found"_s;
    }
    void oneLineWhenItCannotStartOrShowItsTexts()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, says);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"DISPLAY"_s);
        QTemporaryDir runtime; // so that Wayland's library has nothing of its own to say
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        QFile noFonts(runtime.filePath(u"fonts.conf"_s));
        QVERIFY(noFonts.open(QIODevice::WriteOnly) && noFonts.write("<fontconfig/>") > 0);
        noFonts.close();
        for (const QString& entry : environment)
            env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1).isEmpty()
                                                      ? noFonts.fileName()
                                                      : entry.section(u'=', 1));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(kProgram, {});
        QString err; // one line, and the program ends with 1 if it cannot start
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += QString::fromLocal8Bit(program.readAllStandardError())).endsWith(u'\n'), 30000);
        QVERIFY2(err.startsWith(says) && err.count(u'\n') == 1, qPrintable(err));
        if (!says.contains(u"font"_s)) {
            QTRY_COMPARE(program.state(), QProcess::NotRunning);
            QCOMPARE(program.exitCode(), 1);
        }
        program.kill();
        program.waitForFinished();
    }
};

int main(int argc, char* argv[])
{
    // A private X server on a free display; Xvfb names it once it takes connections.
    QProcess xvfb;
    xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
    while (!xvfb.canReadLine() && xvfb.waitForReadyRead(10000)) {
    }
    qputenv("DISPLAY", ":" + xvfb.readLine().trimmed());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    DesktopTest test;
    const int status = QTest::qExec(&test, argc, argv);
    xvfb.kill();
    xvfb.waitForFinished();
    return status;
}

#include "tst_desktop.moc"
