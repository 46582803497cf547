// The real program as a user starts it: without any display; under a
// private X server, read back from the screen; driven through XTEST with
// floods of clicks and keys queued behind a busy run and a frame close
// queued behind a run; and started in hostile environments.

#include "X11Session.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

using namespace x11_testing;

namespace {

const QString kProgram = QStringLiteral(PI_COINS_EXECUTABLE);
const QString kTitle = QStringLiteral("コインを投げて");

int CoinsOf(int button)
{
    switch (button) {
    case 1:
        return 10;
    case 2:
        return 100;
    case 3:
        return 1000;
    case 4:
        return 10000;
    case 7:
        return 50000;
    }
    return 0;
}

QStringList RunLines(Program& program)
{
    QStringList runs;
    static const QRegularExpression pattern(QStringLiteral("run of (\\d+) coins"));
    for (const QString& line : program.Lines()) {
        const auto match = pattern.match(line);
        if (match.hasMatch())
            runs << match.captured(1);
        else if (line.contains(QLatin1String("initialized")))
            runs << QStringLiteral("initialized");
    }
    return runs;
}

// Waits until the program's window is on the screen and has drawn itself.
Window WaitForWindow(XServer& server, Program& program)
{
    if (!program.WaitFor(QStringLiteral("activated")))
        return 0;
    for (int i = 0; i < 200; ++i) {
        if (const Window window = server.FindWindow(kTitle)) {
            QTest::qWait(300);
            return window;
        }
        QTest::qWait(50);
    }
    return 0;
}

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutDisplaySaysSoInOneLine();
    void initTestCase();
    void windowAndCanvasSitWhereTheyBelong();
    void clickFloodIsHandledInOrderAfterTheRun();
    void keyFloodKeepsTheFocusCycle();
    void frameCloseQueuedBehindARunEndsWithoutAQuestion();
    void exitConfirmedWithEnterEndsWithStatusZero();
    void hostileEnvironments_data();
    void hostileEnvironments();

private:
    XServer m_server;
};

void ProgramTest::withoutDisplaySaysSoInOneLine()
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.start(kProgram, {});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY(program.exitCode() != 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY(errors.contains(QStringLiteral("no display")));
    QVERIFY(program.readAllStandardOutput().isEmpty());
}

void ProgramTest::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        QSKIP("Xvfb is not installed (scripts/dev test installs it)");
    QVERIFY2(m_server.Start(), "the private X server did not start");
}

void ProgramTest::windowAndCanvasSitWhereTheyBelong()
{
    Program program(m_server, kProgram);
    QVERIFY(WaitForWindow(m_server, program) != 0);

    // The client area opens at (358, 68) with nothing around it (no window
    // manager); the canvas's drawing area starts two border pixels inside
    // the canvas at (24, 48) of the client area.
    const QImage screen = m_server.Grab(QRect(0, 0, 1024, 768));
    const auto pixel = [&](QPoint at) { return screen.pixel(at) | 0xff000000u; };
    const QPoint client = kClientOrigin;
    const QPoint area = client + QPoint(24 + 2, 48 + 2);
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);

    const QRgb face = pixel(client);
    QVERIFY(face != white && face != black);
    QCOMPARE(pixel(client + QPoint(569, 635)), face);
    QCOMPARE(pixel(client + QPoint(-1, 0)), black); // the bare root
    QCOMPARE(pixel(client + QPoint(570, 635)), black);
    QCOMPARE(pixel(client + QPoint(0, 636)), black);

    // The sunken border, then white with the grid at its rows and columns.
    QVERIFY(pixel(area + QPoint(-1, 10)) != white);
    QVERIFY(pixel(area + QPoint(10, -1)) != white);
    QCOMPARE(pixel(area), white);
    QCOMPARE(pixel(area + QPoint(522, 434)), white);
    QCOMPARE(pixel(area + QPoint(525, 434)), face); // past the border
    for (const int row : {36, 127, 218, 308, 399}) {
        for (int x = 0; x < 523; x += 37)
            QCOMPARE(pixel(area + QPoint(x, row)), black);
    }
    for (const int column : {44, 153, 262, 370, 479}) {
        for (int y = 0; y < 435; y += 29)
            QCOMPARE(pixel(area + QPoint(column, y)), black);
    }
    screen.copy(QRect(client, QSize(570, 636)))
        .save(QDir(QStringLiteral(PI_COINS_TEST_OUTPUT_DIR))
                  .filePath(QStringLiteral("x11-window.png")));
}

void ProgramTest::clickFloodIsHandledInOrderAfterTheRun()
{
    Program program(m_server, kProgram);
    QVERIFY(WaitForWindow(m_server, program) != 0);

    // A 50,000-coin run, and 200 clicks on run buttons right behind it.
    QStringList expected{QStringLiteral("50000")};
    m_server.ClickButton(7);
    QRandomGenerator pick(200);
    const int buttons[] = {1, 2, 3, 1, 2, 4, 1, 3};
    for (int i = 0; i < 200; ++i) {
        const int button = i == 100 ? 7 : buttons[pick.bounded(8)];
        m_server.ClickButton(button);
        expected << QString::number(CoinsOf(button));
    }
    const bool allHandled = program.WaitFor(QStringLiteral("run of"), 201, 60000);
    QCOMPARE(RunLines(program), expected);
    QVERIFY(allHandled);

    // And it still answers: the initialize button works right away.
    m_server.ClickButton(6);
    QVERIFY(program.WaitFor(QStringLiteral("initialized")));
    QVERIFY2(program.UnexpectedLines().isEmpty(),
             qPrintable(program.UnexpectedLines().join(QLatin1Char('\n'))));
}

void ProgramTest::keyFloodKeepsTheFocusCycle()
{
    Program program(m_server, kProgram);
    const Window window = WaitForWindow(m_server, program);
    QVERIFY(window != 0);
    m_server.Focus(window);
    QTest::qWait(200);

    // The focus starts on the canvas. Each cycle: Tab to each button in
    // turn, pressing the run buttons and "初期化" with Space or Enter and
    // passing "10000個" and "終了", then Tab back to the canvas.
    QStringList expected;
    for (int cycle = 0; cycle < 12; ++cycle) {
        m_server.Key(XK_Tab);    // Command1
        m_server.Key(XK_space);  //   run 10
        m_server.Key(XK_Tab);    // Command2
        m_server.Key(XK_Return); //   run 100
        m_server.Key(XK_Tab);    // Command3
        m_server.Key(XK_space);  //   run 1000
        m_server.Key(XK_Tab);    // Command4
        m_server.Key(XK_Tab);    // Command5 (exit): not pressed
        m_server.Key(XK_Tab);    // Command6
        m_server.Key(XK_Return); //   initialize
        m_server.Key(XK_Tab);    // Command7
        m_server.Key(XK_space);  //   run 50000
        m_server.Key(XK_Tab);    // the canvas
        m_server.Key(XK_Escape); //   nothing
        expected << QStringLiteral("10") << QStringLiteral("100") << QStringLiteral("1000")
                 << QStringLiteral("initialized") << QStringLiteral("50000");
    }
    // Backwards from the canvas: Shift+Tab reaches "50000個".
    m_server.Key(XK_Tab, true);
    m_server.Key(XK_Return);
    expected << QStringLiteral("50000");
    QVERIFY(program.WaitFor(QStringLiteral("run of"), 12 * 4 + 1, 60000));
    QTest::qWait(300);
    QCOMPARE(RunLines(program), expected);
    QVERIFY(program.LinesWith(QStringLiteral("exit answered")).isEmpty());
    QVERIFY2(program.UnexpectedLines().isEmpty(),
             qPrintable(program.UnexpectedLines().join(QLatin1Char('\n'))));
}

void ProgramTest::frameCloseQueuedBehindARunEndsWithoutAQuestion()
{
    Program program(m_server, kProgram);
    const Window window = WaitForWindow(m_server, program);
    QVERIFY(window != 0);
    m_server.ClickButton(7);
    m_server.RequestClose(window);
    QVERIFY(program.Process().waitForFinished(20000));
    QCOMPARE(program.Process().exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.Process().exitCode() == 0,
             qPrintable(program.Lines().join(QLatin1Char('\n'))));
    QCOMPARE(RunLines(program), QStringList{QStringLiteral("50000")});
    QVERIFY(program.LinesWith(QStringLiteral("exit answered")).isEmpty());
}

void ProgramTest::exitConfirmedWithEnterEndsWithStatusZero()
{
    Program program(m_server, kProgram);
    QVERIFY(WaitForWindow(m_server, program) != 0);
    m_server.ClickButton(3);
    QVERIFY(program.WaitFor(QStringLiteral("run of 1000")));
    m_server.ClickButton(5); // "終了": the question comes up with Yes as its default
    QTest::qWait(500);
    const Window box = m_server.FindWindow(QStringLiteral("コインを投げてπの近似"));
    QVERIFY(box != 0);
    m_server.Focus(box);
    QTest::qWait(100);
    m_server.Key(XK_Escape); // Escape answers No
    QVERIFY(program.WaitFor(QStringLiteral("exit answered no")));
    QVERIFY(program.Process().state() == QProcess::Running);

    m_server.ClickButton(5);
    QTest::qWait(500);
    const Window again = m_server.FindWindow(QStringLiteral("コインを投げてπの近似"));
    QVERIFY(again != 0);
    m_server.Focus(again);
    QTest::qWait(100);
    m_server.Key(XK_Return);
    QVERIFY(program.Process().waitForFinished(10000));
    QCOMPARE(program.Process().exitCode(), 0);
    QVERIFY(program.WaitFor(QStringLiteral("exit answered yes")));
}

void ProgramTest::hostileEnvironments_data()
{
    QTest::addColumn<QStringList>("set");      // NAME=VALUE
    QTest::addColumn<QStringList>("unset");    // NAME
    QTest::addColumn<QString>("directory");    // "", "deleted", "unreadable"
    QTest::addColumn<QString>("expectedLine"); // a line that must appear, or ""

    QTest::newRow("no sound server")
        << QStringList{QStringLiteral("PULSE_SERVER=unix:/nonexistent/pulse")} << QStringList{}
        << QString() << QString();
    QTest::newRow("no Japanese font")
        << QStringList{QStringLiteral("FONTCONFIG_FILE=@fonts.conf")} << QStringList{} << QString()
        << QStringLiteral("install the Debian package fonts-ipafont-gothic");
    QTest::newRow("LANG=C") << QStringList{QStringLiteral("LANG=C"), QStringLiteral("LC_ALL=C")}
                            << QStringList{QStringLiteral("LANGUAGE")} << QString() << QString();
    QTest::newRow("missing HOME") << QStringList{QStringLiteral("HOME=/nonexistent/home")}
                                  << QStringList{} << QString() << QString();
    QTest::newRow("read-only HOME")
        << QStringList{QStringLiteral("HOME=@readonly")} << QStringList{} << QString() << QString();
    QTest::newRow("no HOME") << QStringList{} << QStringList{QStringLiteral("HOME")} << QString()
                             << QString();
    QTest::newRow("no XDG_RUNTIME_DIR")
        << QStringList{} << QStringList{QStringLiteral("XDG_RUNTIME_DIR")} << QString()
        << QString();
    QTest::newRow("working directory deleted")
        << QStringList{} << QStringList{} << QStringLiteral("deleted") << QString();
    QTest::newRow("working directory unreadable")
        << QStringList{} << QStringList{} << QStringLiteral("unreadable") << QString();
}

void ProgramTest::hostileEnvironments()
{
    QFETCH(QStringList, set);
    QFETCH(QStringList, unset);
    QFETCH(QString, directory);
    QFETCH(QString, expectedLine);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString fontsConf = scratch.filePath(QStringLiteral("fonts.conf"));
    {
        QFile conf(fontsConf);
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("<?xml version=\"1.0\"?><fontconfig>"
                   "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>" +
                   scratch.filePath(QStringLiteral("cache")).toUtf8() + "</cachedir></fontconfig>");
    }
    const QString readOnly = scratch.filePath(QStringLiteral("readonly"));
    QVERIFY(QDir().mkdir(readOnly));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);
    const QString cwd = scratch.filePath(QStringLiteral("cwd"));
    QVERIFY(QDir().mkdir(cwd));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    for (QString assignment : set) {
        assignment.replace(QStringLiteral("@fonts.conf"), fontsConf);
        assignment.replace(QStringLiteral("@readonly"), readOnly);
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        env.insert(assignment.left(eq), assignment.mid(eq + 1));
    }
    for (const QString& name : unset)
        env.remove(name);

    Program program(m_server, kProgram, env, cwd,
                    unset.contains(QStringLiteral("XDG_RUNTIME_DIR")));
    QVERIFY(WaitForWindow(m_server, program) != 0);
    if (directory == QLatin1String("deleted"))
        QVERIFY(QDir(cwd).removeRecursively());
    if (directory == QLatin1String("unreadable"))
        QVERIFY(QFile::setPermissions(cwd, QFileDevice::Permissions()));

    // It works: a run is made and ends.
    m_server.ClickButton(1);
    QVERIFY(program.WaitFor(QStringLiteral("run of 10 coins")));
    QTest::qWait(200);

    // Without a sound server the cue is silent, and said so once.
    QCOMPARE(program.LinesWith(QStringLiteral("cannot be played")).size(), 1);
    QStringList unexpected = program.UnexpectedLines();
    if (!expectedLine.isEmpty()) {
        QCOMPARE(unexpected.filter(expectedLine).size(), 1);
        unexpected.removeAll(unexpected.filter(expectedLine).first());
    }
    // Qt itself notes a missing runtime directory, once, in one line.
    unexpected.removeIf([](const QString& line) {
        return line.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
    });
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('\n'))));

    m_server.RequestClose(m_server.FindWindow(kTitle));
    QVERIFY(program.Process().waitForFinished(10000));
    QVERIFY2(program.Process().exitCode() == 0,
             qPrintable(program.Lines().join(QLatin1Char('\n'))));
    QFile::setPermissions(cwd, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
