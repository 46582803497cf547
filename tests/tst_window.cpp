// The window's commands, with the platform's services replaced by doubles; its
// canvas, pixel for pixel QPainter's at any density; a window where no thread can start.

#include "Doubles.h"
#include "window/CommandLine.h"
#include "window/QuestionHandBack.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cstdio>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#else
#include <windows.h>
// after windows.h, whose types it uses
#include <versionhelpers.h>
#endif

namespace {

// The lines of a record, without their line ends.
QStringList RecordLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
}

// In a child process: `runs` runs of 10 coins recorded into `path`.
int RecordRuns(const QString& path, int runs)
{
    QString problem;
    Window w(7, platform::RunRecord::Open(path, problem));
    for (int i = 0; i < runs; ++i)
        w.Command(1)->click(), QCoreApplication::processEvents();
    return problem.isEmpty() ? 0 : 3;
}

// In a child process where no thread can start: the window works, draws a
// long run on its own thread, and its cues are silent.
int RunWithoutThreads()
{
    window::Form1 form; // the system's own player
    form.show();
    form.findChild<QPushButton*>(u"Command4"_s)->click(); // long enough for two render threads
    const QImage board = form.findChild<platform::BoardCanvas*>(u"Picture1"_s)->Board().Image();
    return board.copy(0, 218, 523, 217).allGray() ? 3 : 0; // coins in the lower half too
}

// In a child process on a screen of the given scale: the canvas's grid as
// shown, the size of its drawing area and the thickness of a grid line, in
// device pixels.
int ShowScaled()
{
    platform::BoardCanvas canvas;
    canvas.resize(527, 439);
    experiment::DrawBoardGrid(canvas);
    canvas.show();
    if (!QTest::qWaitForWindowExposed(&canvas))
        return 3;
    const QImage shown = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int column = shown.width() * 90 / 527; // between the first two vertical lines
    int thickness = 0;
    for (int y = 0; y < shown.height() * 100 / 439; ++y)
        thickness += shown.pixel(column, y) == 0xff000000;
    const QSize area = canvas.Board().Image().size();
    std::printf("%d %d %d", area.width(), area.height(), thickness);
    return 0;
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CollectWarnings(true); }
    void cleanup() { CollectWarnings(false); }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("outcome"); // what is done, and what is said or taken
        QTest::newRow("nothing") << QStringList() << u"Run seed - record "_s;
        QTest::newRow("seed and record")
            << QStringList{u"--seed"_s, u"4294967295"_s, u"--record"_s, u"r.csv"_s}
            << u"Run seed 4294967295 record r.csv"_s;
        QTest::newRow("seed 0, the toolkit's options")
            << QStringList{u"-platform"_s, u"offscreen"_s, u"-style=fusion"_s, u"-reverse"_s,
                           u"--seed=0"_s}
            << u"Run seed 0 record "_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << u"Version pi-coins 1.00"_s;
        QTest::newRow("help") << QStringList{u"-h"_s} << u"Help Usage: pi-coins [options]"_s;
        QTest::newRow("unknown option")
            << QStringList{u"--bogus"_s} << u"Refuse pi-coins: Unknown option 'bogus'"_s;
        const QString badSeed = u"Refuse pi-coins: bad value '%1' for --seed"_s;
        for (const QString& seed : {u"4294967296"_s, u"-1"_s, u"+5"_s, u"1e3"_s, u" 5"_s, u""_s})
            QTest::newRow(qPrintable(u"seed '"_s + seed + u'\''))
                << QStringList{u"--seed"_s, seed} << badSeed.arg(seed);
        QTest::newRow("seed without value")
            << QStringList{u"--seed"_s} << u"Refuse pi-coins: Missing value after '--seed'"_s;
        QTest::newRow("empty record")
            << QStringList{u"--record="_s} << u"Refuse pi-coins: bad value '' for --record"_s;
        QTest::newRow("argument") << QStringList{u"foo"_s}
                                  << u"Refuse pi-coins: unexpected argument 'foo'"_s;
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, outcome);
        const auto line = window::ParseCommandLine(QStringList{u"pi-coins"_s} + arguments);
        const QString seed = line.seed ? QString::number(*line.seed) : u"-"_s;
        const QString said =
            u"Run Help Version Refuse"_s.split(u' ').at(int(line.action)) + u' ' +
            (line.text.isEmpty() ? u"seed %1 record %2"_s.arg(seed, line.recordPath) : line.text);
        QVERIFY2(said.startsWith(outcome), qPrintable(said));
        // A refusal in one line; the help with every option, none of the toolkit's.
        QVERIFY(!said.startsWith(u"Refuse"_s) ||
                (!said.contains(u'\n') && said.endsWith(u"see pi-coins --help"_s)));
        QVERIFY(!said.startsWith(u"Help"_s) ||
                (said.contains(u"--seed <S>"_s) && said.contains(u"--record <FILE>"_s) &&
                 !said.contains(u"platform"_s)));
    }
    void fixedSeedRecordedAndReplayed()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"runs.csv"_s);
        QString problem;
        QString results;
        QImage thirdBoard;
        {
            Window w(12345, platform::RunRecord::Open(path, problem));
            QVERIFY(problem.isEmpty());
            for (int round = 0; round < 2; ++round) {
                for (const int n : {1, 2, 3, 4, 7}) {
                    w.Command(n)->click();
                    results += w.Text(4) + u' ' + w.Text(2) + u", "_s;
                    if (round == 0 && n == 3)
                        thirdBoard = w.Board();
                }
            }
            QCoreApplication::processEvents(); // the lines, queued once the board is drawn
        }                                      // the record written to its end
        // The same on every system the program runs on: these are Linux's.
        QCOMPARE(results, u"8 3.2, 75 3, 785 3.14, 7849 3.1396, 39205 3.1364, "
                          "7 2.8, 76 3.04, 780 3.12, 7894 3.1576, 39134 3.13072, "_s);
        const QStringList lines = RecordLines(path);
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines[0], u"time,coins,hits,estimate,seed"_s);
        static const QRegularExpression line( // local time with its offset, coins, hits, π, seed
            uR"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d),\d+,(\d+),([\d.]+),\d+$)"_s);
        for (const QString& l : lines.mid(1))
            results.remove(line.match(l).captured(2) + u' ' + line.match(l).captured(3) + u", "_s);
        QCOMPARE(results, QString()); // each in its own line, in order
        QVERIFY(lines[1].endsWith(u",10,8,3.2,12345"_s));
        // The third run replayed by its recorded seed: the same coins.
        Window replay(lines[3].section(u',', 4).toUInt());
        replay.Command(3)->click();
        QCOMPARE(replay.Text(4) + u' ' + replay.Text(2), u"785 3.14"_s);
        QCOMPARE(replay.Board(), thirdBoard);
    }
    void twoProgramsRecordToOneFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"shared.csv"_s);
        QProcess programs[2];
        for (QProcess& program : programs)
            program.start(QCoreApplication::applicationFilePath(), {u"--record-runs"_s, path});
        for (QProcess& program : programs)
            QVERIFY(program.waitForFinished(60000) && program.exitCode() == 0);
        const QStringList lines = RecordLines(path);
        QCOMPARE(lines.size(), 1001);
        QCOMPARE(lines.count(u"time,coins,hits,estimate,seed"_s), 1);
        for (const QString& l : lines.mid(1))
            QVERIFY2(l.count(u',') == 4 && l.section(u',', 1, 1) == u"10"_s, qPrintable(l));
    }
    void recordThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("path"); // in a temporary folder
        QTest::addColumn<bool>("opens");   // at the start
        QTest::newRow("a folder") << u"."_s << false;
        QTest::newRow("in a missing folder") << u"missing/runs.csv"_s << false;
        QTest::newRow("folder removed after the start") << u"gone/runs.csv"_s << true;
#ifndef Q_OS_WIN
        QTest::newRow("full disk") << u"/dev/full"_s << true;
#endif
    }
    void recordThatCannotBeWritten()
    {
        QFETCH(QString, path);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"gone"_s));
        path = QDir(dir.path()).filePath(path);
        QString problem;
        auto record = platform::RunRecord::Open(path, problem);
        QCOMPARE(bool(record), opens);
        QCOMPARE(problem.isEmpty(), opens);
        if (!opens)
            return;
        QDir(dir.filePath(u"gone"_s)).removeRecursively();
        {
            Window w({}, std::move(record));
            for (int i = 0; i < 3; ++i)
                w.Command(1)->click(), QCoreApplication::processEvents();
            QCOMPARE(w.Text(4), u"10"_s); // the window goes on
        }
        QCOMPARE(Warnings().filter(u"pi-coins: runs are no longer recorded in "_s).size(), 1);
    }
    void handBack_data()
    {
        // What the window sees, in order: the question opened and closed (1: where the window
        // system hands the activation back), the focus on the window, the question or
        // elsewhere, and activations. For each activation: G the user's (the grid is drawn),
        // - the hand-back.
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("answers");
        QTest::newRow("X with a window manager") << u"open q close1 a w e a w"_s << u"-G"_s;
        QTest::newRow("X without one") << u"open q close0 e a w"_s << u"G"_s;
        // The question's focus let go before the hand-back comes (as X and Wayland do).
        QTest::newRow("handed back after the focus left")
            << u"open q close1 e a w e a"_s << u"-G"_s;
        QTest::newRow("Wayland, handed back") << u"open q close1 w a e a"_s << u"-G"_s;
        QTest::newRow("Windows, while it closes") << u"open q a w close1 e a w"_s << u"-G"_s;
        QTest::newRow("answered from another program") << u"open q e close1 a w"_s << u"G"_s;
        QTest::newRow("another window of the program takes the focus")
            << u"open q close1 q a"_s << u"G"_s;
        QTest::newRow("question without the focus") << u"q open close1 a"_s << u"G"_s;
        QTest::newRow("a second question without it") << u"open q close0 open close1 a"_s << u"G"_s;
        QTest::newRow("twice, then the user")
            << u"open q close1 a w open q a w close1 e a w"_s << u"--G"_s;
        QTest::newRow("no question") << u"a w e a w"_s << u"GG"_s;
    }
    void handBack()
    {
        QFETCH(QString, events);
        QFETCH(QString, answers);
        using Focus = window::QuestionHandBack::Focus;
        window::QuestionHandBack handBack;
        QString said;
        for (const QString& event : events.split(u' ')) {
            if (event == u"open")
                handBack.QuestionOpened();
            else if (event.startsWith(u"close"))
                handBack.QuestionClosed(event.endsWith(u'1'));
            else if (event == u"a")
                said += handBack.IsUsersActivation() ? u'G' : u'-';
            else
                handBack.FocusMoved(event == u"w"   ? Focus::Window
                                    : event == u"q" ? Focus::OtherWindow
                                                    : Focus::Elsewhere);
        }
        QCOMPARE(said, answers);
    }
    void exitQuestion_data()
    {
        QTest::addColumn<platform::MsgBoxResult>("answer");
        QTest::newRow("Yes ends the program") << platform::MsgBoxResult::Yes;
        QTest::newRow("No keeps everything") << platform::MsgBoxResult::No;
    }
    void exitQuestion()
    {
        QFETCH(platform::MsgBoxResult, answer);
        const bool ends = answer == platform::MsgBoxResult::Yes;
        Window w;
        w.questions->answer = answer;
        w.Command(3)->click();
        const QImage board = w.Board();
        const QString results = w.Text(2) + w.Text(4);
        int unloaded = 0;
        QObject::connect(w.form.get(), &window::Form1::Unloaded, [&] { ++unloaded; });
        w.log.clear();
        w.Command(5)->click();
        // The closing cue first, then the question.
        const QString cue = QDir::current().filePath(u"endpinpon.wav"_s);
        QCOMPARE(w.log, (QStringList{u"Stop"_s, u"Play "_s + QDir::toNativeSeparators(cue),
                                     u"Ask コインを投げてπの近似 終了していいですか？"_s}));
        QCOMPARE(unloaded, ends ? 1 : 0);
        QCOMPARE(w.form->isVisible(), !ends);
        QCOMPARE(w.Board(), board);
        QCOMPARE(w.Text(2) + w.Text(4), results);
    }
    void windowFitsItsScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("opens"); // the frame's top-left, laid out at (358, 38)
        // The window with a frame of 30 above and 4 beside and below: 578 x 670.
        QTest::newRow("exactly fits") << QRect(354, 38, 578, 670) << QPoint(354, 38);
        QTest::newRow("150 %, 1920 x 1080, taskbar") // 1280 x 720 less 40
            << QRect(0, 0, 1280, 680) << QPoint(354, 10);
        QTest::newRow("2x on 1280 x 1024: taller") << QRect(0, 0, 640, 512) << QPoint(62, 0);
        QTest::newRow("200 % on 1600 x 1200, panel above")
            << QRect(0, 27, 800, 573) << QPoint(222, 27);
        QTest::newRow("narrower and taller, second screen")
            << QRect(1000, 100, 500, 400) << QPoint(1000, 100);
        QTest::newRow("left of the area") << QRect(600, 0, 1000, 800) << QPoint(600, 38);
    }
    void windowFitsItsScreen()
    {
        QFETCH(QRect, available);
        QFETCH(QPoint, opens);
        QCOMPARE(window::FittedFramePosition(QRect(354, 38, 578, 670), available), opens);
    }
    void settingsArrivedAndTheJapaneseFontIsThere()
    {
        // What the test runner sets reaches the program (under Wine, too).
        QCOMPARE(qEnvironmentVariable("QT_LOGGING_RULES"), u"qt.qpa.*=false"_s);
#ifdef Q_OS_WIN
        QVERIFY(IsWindows10OrGreater()); // told so by the program's manifest
#endif
        QVERIFY(window::HaveJapaneseFont()); // under Wine, the one beside the program
    }
    void startActivationInitializeAndFrameClose()
    {
        Window w;
        // At the start: the grid on a blank board, no results, the focus on the canvas.
        ExpectedBoard expected(1);
        expected.Grid();
        const QImage start = w.Board();
        QCOMPARE(start, expected.image);
        QCOMPARE(w.Text(2) + w.Text(4), QString());
        QCOMPARE(w.form->focusWidget(), w.Picture1());
        QString captions;
        for (int n = 1; n <= 7; ++n)
            captions += w.Command(n)->text() + u' ';
        QCOMPARE(captions, u"10個 100個 1000個 10000個 終了 初期化 50000個 "_s);
        // Every text bold but the credit line; the emblem in its box.
        for (int n = 1; n <= 6; ++n)
            QCOMPARE(w.Label(n)->font().bold(), n != 6);
        QCOMPARE(w.form->findChild<QLabel*>(u"Picture2"_s)->pixmap().size(), QSize(42, 41));
        // Ctrl+C, whichever control has the focus: the board and what it shows.
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        QTest::keyClick(w.form->focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), u"格子とコインを描く盤"_s);
        w.Command(3)->click();
        QTest::keyClick(w.Command(5), Qt::Key_C, Qt::ControlModifier);
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), u"1000個のコインのうち1000個が格子点と重なりました。π＝4"_s);
        QCOMPARE(qvariant_cast<QImage>(copied->imageData()).convertToFormat(QImage::Format_RGB32),
                 w.Board());
        // Activation after a run draws the grid over the coins and keeps the labels.
        w.Command(1)->click();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w.form.get(), &activate);
        const QPoint coins[] = {{40, 240}, {90, 40}, {240, 90}}; // from the scripted values
        for (int i = 0; i < 10; ++i)
            expected.Coin(coins[i % 3].x(), coins[i % 3].y(), true);
        expected.Grid();
        QCOMPARE(w.Board(), expected.image);
        QCOMPARE(w.Text(4), u"10"_s);
        // Enter and Space press the focused button, Esc nothing.
        for (const auto& [n, key, hits] : {std::tuple{2, Qt::Key_Return, u"100"_s},
                                           {1, Qt::Key_Space, u"10"_s},
                                           {2, Qt::Key_Escape, u"10"_s}}) {
            QTest::keyClick(w.Command(n), key);
            QCOMPARE(w.Text(4), hits);
        }
        // Initialize goes back to the start, without a sound; a frame close
        // ends the program without question or sound.
        w.log.clear();
        w.Command(6)->click();
        QCOMPARE(w.Board(), start);
        QCOMPARE(w.Text(2) + w.Text(4), QString());
        QVERIFY(w.form->close());
        QCOMPARE(w.log, QStringList());
    }
    void identicalToQPainter_data()
    {
        QTest::addColumn<int>("ratio");
        for (const int ratio : {1, 2, 3})
            QTest::newRow(qPrintable(u"%1x"_s.arg(ratio))) << ratio;
    }
    void identicalToQPainter()
    {
        QFETCH(int, ratio);
        // Drawn at 1x, shown at the ratio (a move to a screen of another density).
        platform::BoardImage board(QSize(523, 435), 1);
        ExpectedBoard expected(ratio);
        experiment::DrawBoardGrid(board);
        expected.Grid();
        // Random centres, and the edges and corners where coins are clipped.
        QList<QPoint> centres = {{40, 40},   {439, 439}, {40, 439},  {439, 40},  {0, 240},
                                 {480, 240}, {240, 0},   {240, 480}, {-30, -30}, {510, 510}};
        QRandomGenerator random(ratio);
        for (int i = 0; i < 2500; ++i) // enough for the second render thread
            centres << QPoint(random.bounded(40, 440), random.bounded(40, 440));
        for (const QPoint c : centres) {
            const bool covered =
                experiment::CoversLatticePoint(std::int16_t(c.x()), std::int16_t(c.y()));
            experiment::DrawCoin(board, std::int16_t(c.x()), std::int16_t(c.y()), covered);
            expected.Coin(c.x(), c.y(), covered);
        }
        board.Image();
        board.Resize(QSize(523, 435) * ratio, ratio);
        QCOMPARE(board.Image(), expected.image);
    }
    void renderedAtTheScreensDensity_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("pen"); // the pen's width, rounded to whole device pixels
        QTest::newRow("1x") << 1.0 << 1;
        QTest::newRow("150 %") << 1.5 << 2;
        QTest::newRow("2x") << 2.0 << 2;
        QTest::newRow("3x") << 3.0 << 3;
    }
    void renderedAtTheScreensDensity()
    {
        QFETCH(double, scale);
        QFETCH(int, pen);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_SCALE_FACTOR"_s, QString::number(scale));
        env.insert(u"WINEQT_SCALE_FACTOR"_s, QString::number(scale));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--show-scaled"_s});
        QVERIFY(child.waitForFinished(30000) && child.exitCode() == 0);
        const QStringList shown = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
        QCOMPARE(shown.size(), 3);
        // The area's 523 x 435 pixels at the scale, give or take the rounding of its edges.
        QVERIFY2(qAbs(shown[0].toInt() - 523 * scale) <= 1 &&
                     qAbs(shown[1].toInt() - 435 * scale) <= 1,
                 qPrintable(shown.join(u' ')));
        QCOMPARE(shown[2].toInt(), pen);
    }
#ifndef Q_OS_WIN
    void noThreadsNoEnd()
    {
        QProcess child;
        child.setChildProcessModifier([] { // every new thread's stack too large to have
            const rlimit huge{rlim_t(1) << 40, RLIM_INFINITY};
            ::setrlimit(RLIMIT_STACK, &huge);
        });
        child.start(QCoreApplication::applicationFilePath(), {u"--no-threads"_s});
        QVERIFY(child.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(child.readAllStandardError());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 qPrintable(err));
        QCOMPARE(err.count(u"sound cues stay silent: no player thread"_s), 1);
    }
#endif
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--record-runs") == 0)
        return RecordRuns(QString::fromLocal8Bit(argv[2]), 500);
    if (argc == 2 && qstrcmp(argv[1], "--no-threads") == 0)
        return RunWithoutThreads();
    if (argc == 2 && qstrcmp(argv[1], "--show-scaled") == 0)
        return ShowScaled();
    WindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window.moc"
