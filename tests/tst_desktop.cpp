// On a private X server: the window with the toolkit's own message box, and
// the real program, which starts, runs and ends on Yes, or says in one line
// why it cannot start. PI_COINS_PROGRAM names another build of the program
// to try (the packaging check starts the unpacked package this way).

#include "Doubles.h"
#include "SoundServer.h"
#include "platform/BoardCanvas.h"
#include "window/Form1.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
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
        window::Form1::Services services;
        Log log;
        services.sound = std::make_unique<LoggingSoundBackend>(log);
        window::Form1 form(std::move(services));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow(); // no window manager here to do it
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Command(1)->click();
        const QImage board = form.Picture1()->Board().Image();
        const QString hits = form.Label(4)->text();
        QProcess other; // another program's window
        QString asked;
        QTimer answer; // No, once the question has the focus, or from the other program
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            if (box && box->isActiveWindow() && asked.isEmpty())
                asked = log.last() + u'/' + box->windowTitle() + u'/' + box->text() +
                        (box->width() > title.horizontalAdvance(box->windowTitle()) &&
                                 box->button(QMessageBox::Yes)->icon().isNull() &&
                                 box->button(QMessageBox::No)->icon().isNull()
                             ? u"/wide, text only"_s
                             : u""_s),
                box->button(QMessageBox::No)->click();
            else if (box && box->isActiveWindow() && other.state() == QProcess::NotRunning)
                other.start(QCoreApplication::applicationFilePath(), {u"--other"_s});
            else if (box && !QGuiApplication::focusWindow() && Xdotool(u"search --name ^other$"_s))
                box->close(); // as the window manager's close button would
            else if (box)
                Xdotool(u"search --name ^other$ windowfocus"_s);
        });
        answer.start(20);
        // 終了 pressed as a screen reader does, without a click on the window.
        const auto pressExit = [&] {
            QAccessible::queryAccessibleInterface(form.Command(5))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        };
        pressExit();
        // The closing cue was started before the question was asked.
        QTRY_COMPARE(asked, u"Play "_s + QDir::current().filePath(u"endpinpon.wav"_s) +
                                u"/コインを投げてπの近似/終了していいですか？/wide, text only"_s);
        // The question hands the activation back as it closes (the window
        // manager's part, done here): the board stays.
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());
        QCOMPARE(form.Picture1()->Board().Image(), board);
        QCOMPARE(form.Label(4)->text(), hits);
        // Asked again, left for another program and closed from there: coming
        // back to the window is an activation, and the grid is drawn.
        pressExit();
        QTRY_VERIFY(!QApplication::activeModalWidget() && other.state() == QProcess::Running);
        QVERIFY(Xdotool(u"search --name 円周率 windowfocus"_s));
        QTRY_VERIFY(form.isActiveWindow());
        QVERIFY(form.Picture1()->Board().Image() != board);
        other.kill();
        other.waitForFinished();
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

    void withoutAJapaneseFontAHintToInstallOne()
    {
        QTemporaryDir dir; // a font configuration that finds no fonts
        QFile config(dir.filePath(u"fonts.conf"_s));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write("<fontconfig/>") > 0);
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"FONTCONFIG_FILE"_s, config.fileName());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(kProgram, {});
        QByteArray err;
        QTRY_VERIFY((err += program.readAllStandardError()).contains("install the Debian package"));
        program.kill();
        program.waitForFinished();
    }

    void withoutAReachableDisplayOneLine_data()
    {
        QTest::addColumn<QStringList>("display"); // what the environment says of it
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << QStringList() << u"pi-coins: no display found"_s;
        QTest::newRow("stale DISPLAY")
            << QStringList{u"DISPLAY"_s, u":4242"_s} << u"pi-coins: cannot connect"_s;
        QTest::newRow("Wayland leading nowhere")
            << QStringList{u"WAYLAND_DISPLAY"_s, u"nowhere-0"_s} << u"pi-coins: cannot connect"_s;
    }
    void withoutAReachableDisplayOneLine()
    {
        QFETCH(QStringList, display);
        QFETCH(QString, says);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"DISPLAY"_s);
        QTemporaryDir runtime; // so that Wayland's library has nothing of its own to say
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        if (!display.isEmpty())
            env.insert(display[0], display[1]);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(kProgram, {});
        QVERIFY(program.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitCode(), 1);
        QVERIFY2(err.startsWith(says) && err.count(u'\n') == 1, qPrintable(err));
    }
};

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--other") == 0) { // another program's window
        QApplication app(argc, argv);
        QWidget other;
        other.setWindowTitle(u"other"_s);
        other.show();
        return app.exec();
    }
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
