// On a private X server: the window with the toolkit's own message box, and
// the real program, which starts, runs and ends on Yes, or says in one line
// why it cannot start. PI_COINS_PROGRAM names another build of the program
// to try (the packaging check starts the unpacked package this way).

#include "Doubles.h"
#include "platform/BoardCanvas.h"
#include "window/Form1.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
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
        QTimer answer;
        QString asked;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            // The user clicks into the question (no window manager here), then answers No.
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && !box->isActiveWindow())
                box->activateWindow();
            else if (box)
                asked = log.last() + u'/' + box->windowTitle() + u'/' + box->text(),
                box->button(QMessageBox::No)->click();
        });
        answer.start(20);
        form.Command(5)->click();
        answer.stop();
        // The closing cue was started before the question was asked.
        QCOMPARE(asked, u"Play "_s + QDir::current().filePath(u"endpinpon.wav"_s) +
                            u"/コインを投げてπの近似/終了していいですか？"_s);
        // The window manager hands the activation back to the window.
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());
        QCOMPARE(form.Picture1()->Board().Image(), board);
        QCOMPARE(form.Label(4)->text(), hits);
        // Coming back from another window is an activation: the grid is drawn.
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        form.activateWindow();
        QTRY_VERIFY(form.isActiveWindow());
        QVERIFY(form.Picture1()->Board().Image() != board);
    }

    void programStartsRunsAndEndsOnYes()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.insert(u"PULSE_SERVER"_s, u"unix:/nonexistent"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"pi-coins.*.debug=true;pi-coins.sound.warning=false"_s);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(QDir::rootPath()); // no cues there
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(kProgram, {});
        QTRY_VERIFY(Xdotool(u"search --name 円周率 windowfocus"_s));
        QByteArray log;
        const auto said = [&](const char* line) {
            return (log += program.readAll()).contains(line);
        };
        // Tab leaves the canvas for 10個; Space presses it.
        QVERIFY(Xdotool(u"key Tab space"_s));
        QTRY_VERIFY(said("run of 10 coins"));
        QVERIFY(said("opened sound cue"));
        // Four more to 終了; Enter answers its question with the default, Yes.
        QVERIFY(Xdotool(u"key Tab Tab Tab Tab space"_s));
        QTRY_VERIFY(Xdotool(u"search --name ^コインを投げてπの近似$ windowfocus"_s));
        QVERIFY(Xdotool(u"key Return"_s));
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
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
