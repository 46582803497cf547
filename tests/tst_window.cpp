// The main window: controls at their places, fonts that really render the
// Japanese texts, the Tab cycle, the eight handlers and the three window
// commands, answered through a scripted message box.

#include "BoardCanvas.h"
#include "BoardGeometry.h"
#include "BoardImage.h"
#include "Experiment.h"
#include "Form1.h"
#include "MMControl.h"
#include "TestDoubles.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace testing_doubles;
using window::Form1;

namespace {

struct Rig
{
    explicit Rig(platform::MsgBoxResult answer = platform::MsgBoxResult::No,
                 std::vector<float> values = {})
        : log(MakeLog())
    {
        Form1::Services services;
        auto backend = std::make_unique<RecordingSoundBackend>(log);
        auto box = std::make_unique<ScriptedMessageBox>(answer, log);
        messageBox = box.get();
        services.sound = std::move(backend);
        services.messageBox = std::move(box);
        if (!values.empty())
            services.random = std::make_unique<ScriptedRandom>(std::move(values));
        form = std::make_unique<Form1>(std::move(services));
    }

    QImage Board() const { return form->Picture1()->Board().Image(); }

    EventLog log;
    ScriptedMessageBox* messageBox = nullptr;
    std::unique_ptr<Form1> form;
};

QImage GridOnly()
{
    platform::BoardImage board(platform::BoardCanvas::kDrawingAreaSize);
    board.Cls();
    experiment::DrawBoardGrid(board);
    return board.Image();
}

int CountPixels(const QImage& image, QRgb color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) | 0xff000000u) == color ? 1 : 0;
    }
    return count;
}

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void controlGeometry_data();
    void controlGeometry();
    void controlTexts_data();
    void controlTexts();
    void startsWithEmptyResultsAndTheGrid();
    void tabCyclesThroughCanvasAndButtons_data();
    void tabCyclesThroughCanvasAndButtons();
    void runButtonsStartTheirRuns_data();
    void runButtonsStartTheirRuns();
    void initializeRestoresTheStartingBoard_data();
    void initializeRestoresTheStartingBoard();
    void activationRedrawsTheGridOverTheCoins();
    void exitAnsweredNoChangesNothing();
    void exitAnsweredYesUnloads();
    void frameCloseAsksNothingAndPlaysNothing();
    void maximizeLeavesEveryControlInPlace();
    void realMessageBoxAsksInJapanese();
    void iconAndEmblemAreCompiledIn();
};

void WindowTest::initTestCase()
{
    // The cues beside the program are found from its folder's parent too.
    QDir::setCurrent(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
}

void WindowTest::controlGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Label5") << "Label5" << QRect(80, 16, 433, 25);
    QTest::newRow("Picture1") << "Picture1" << QRect(24, 48, 527, 439);
    QTest::newRow("Command1") << "Command1" << QRect(24, 496, 66, 41);
    QTest::newRow("Command2") << "Command2" << QRect(104, 496, 72, 41);
    QTest::newRow("Command3") << "Command3" << QRect(184, 496, 79, 41);
    QTest::newRow("Command4") << "Command4" << QRect(272, 496, 86, 41);
    QTest::newRow("Command7") << "Command7" << QRect(368, 496, 86, 41);
    QTest::newRow("Command6") << "Command6" << QRect(464, 496, 86, 41);
    QTest::newRow("Label3") << "Label3" << QRect(32, 552, 241, 17);
    QTest::newRow("Label4") << "Label4" << QRect(280, 552, 105, 17);
    QTest::newRow("Label1") << "Label1" << QRect(232, 576, 41, 25);
    QTest::newRow("Label2") << "Label2" << QRect(280, 576, 129, 25);
    QTest::newRow("Command5") << "Command5" << QRect(64, 584, 73, 33);
    QTest::newRow("Picture2") << "Picture2" << QRect(496, 584, 42, 41);
    QTest::newRow("Label6") << "Label6" << QRect(312, 600, 185, 17);
}

void WindowTest::controlGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    Rig rig;
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    auto* control = rig.form->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), geometry);
    QVERIFY(control->isVisible());
    QCOMPARE(rig.form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 15);
    QVERIFY(rig.form->findChild<platform::MMControl*>(QStringLiteral("MMControl1")) != nullptr);
}

void WindowTest::controlTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::newRow("Command1") << "Command1"
                              << "10個" << 12.0 << true;
    QTest::newRow("Command2") << "Command2"
                              << "100個" << 12.0 << true;
    QTest::newRow("Command3") << "Command3"
                              << "1000個" << 12.0 << true;
    QTest::newRow("Command4") << "Command4"
                              << "10000個" << 12.0 << true;
    QTest::newRow("Command5") << "Command5"
                              << "終了" << 14.25 << true;
    QTest::newRow("Command6") << "Command6"
                              << "初期化" << 12.0 << true;
    QTest::newRow("Command7") << "Command7"
                              << "50000個" << 12.0 << true;
    QTest::newRow("Label1") << "Label1"
                            << "π＝" << 14.25 << true;
    QTest::newRow("Label2") << "Label2"
                            << "" << 14.25 << true;
    QTest::newRow("Label3") << "Label3"
                            << "格子点と重なったコインの個数＝" << 12.0 << true;
    QTest::newRow("Label4") << "Label4"
                            << "" << 12.0 << true;
    QTest::newRow("Label5") << "Label5"
                            << "コインを投げて円周率πの近似値を求める！" << 15.75 << true;
    QTest::newRow("Label6") << "Label6" << QString::fromUtf16(window::kCreditLine) << 11.25
                            << false;
}

void WindowTest::controlTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(bool, bold);
    Rig rig;
    auto* control = rig.form->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    const QString shown = qobject_cast<QLabel*>(control) != nullptr
                              ? qobject_cast<QLabel*>(control)->text()
                              : qobject_cast<QPushButton*>(control)->text();
    QCOMPARE(shown, text);
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
    QVERIFY(!control->font().italic() && !control->font().underline());
    QCOMPARE(control->font().families().first(), QStringLiteral("ＭＳ Ｐゴシック"));
    QVERIFY(!shown.contains(QLatin1Char('&'))); // no access keys

    // The font resolves to a Japanese one that has every glyph itself.
    const QFontInfo info(control->font());
    const QStringList japanese = {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
    QVERIFY2(japanese.contains(info.family()), qPrintable(info.family()));
    const QFontMetrics metrics(control->font());
    for (const char32_t c : (text + QStringLiteral("0123456789.")).toUcs4())
        QVERIFY2(metrics.inFontUcs4(c), qPrintable(QString::number(uint(c), 16)));
}

void WindowTest::startsWithEmptyResultsAndTheGrid()
{
    Rig rig;
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QCOMPARE(rig.form->geometry(), QRect(358, 68, 570, 636));
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("コインを投げて円周率πの近似値を求める！"));
    QCOMPARE(rig.form->Label(2)->text(), QString());
    QCOMPARE(rig.form->Label(4)->text(), QString());
    QCOMPARE(rig.Board(), GridOnly());
    QCOMPARE(QApplication::focusWidget(), rig.form->Picture1());
}

void WindowTest::tabCyclesThroughCanvasAndButtons_data()
{
    QTest::addColumn<bool>("backwards");
    QTest::newRow("Tab") << false;
    QTest::newRow("Shift+Tab") << true;
}

void WindowTest::tabCyclesThroughCanvasAndButtons()
{
    QFETCH(bool, backwards);
    Rig rig;
    rig.form->show();
    QApplication::setActiveWindow(rig.form.get());
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->Picture1()->setFocus();

    QStringList expected = {QStringLiteral("Command1"), QStringLiteral("Command2"),
                            QStringLiteral("Command3"), QStringLiteral("Command4"),
                            QStringLiteral("Command5"), QStringLiteral("Command6"),
                            QStringLiteral("Command7"), QStringLiteral("Picture1")};
    if (backwards) {
        // From the canvas backwards: Command7 down to Command1, then back.
        std::reverse(expected.begin(), expected.end() - 1);
    }
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void WindowTest::runButtonsStartTheirRuns_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("coins");
    QTest::newRow("Command1") << 1 << 10;
    QTest::newRow("Command2") << 2 << 100;
    QTest::newRow("Command3") << 3 << 1000;
    QTest::newRow("Command4") << 4 << 10000;
    QTest::newRow("Command7") << 7 << 50000;
}

void WindowTest::runButtonsStartTheirRuns()
{
    QFETCH(int, button);
    QFETCH(int, coins);
    // Every coin lands on (40, 40): the hit count is the run's size.
    Rig rig(platform::MsgBoxResult::No, {0.001f});
    rig.form->show();
    QTest::mouseClick(rig.form->Command(button), Qt::LeftButton);
    QCOMPARE(rig.form->Label(4)->text(), QString::number(coins));
    QCOMPARE(rig.form->Label(2)->text(), QStringLiteral("4"));
    QVERIFY(rig.log->last().endsWith(QStringLiteral("/pinpon.wav")));
}

void WindowTest::initializeRestoresTheStartingBoard_data()
{
    QTest::addColumn<bool>("afterRun");
    QTest::newRow("before any run") << false;
    QTest::newRow("after a run") << true;
}

void WindowTest::initializeRestoresTheStartingBoard()
{
    QFETCH(bool, afterRun);
    Rig rig;
    rig.form->show();
    if (afterRun) {
        rig.form->Command(3)->click();
        QVERIFY(!rig.form->Label(2)->text().isEmpty());
        QVERIFY(CountPixels(rig.Board(), kBlue) > 0);
    }
    const int soundCalls = static_cast<int>(rig.log->size());
    rig.form->Command(6)->click();
    QCOMPARE(rig.Board(), GridOnly());
    QCOMPARE(rig.form->Label(2)->text(), QString());
    QCOMPARE(rig.form->Label(4)->text(), QString());
    QCOMPARE(static_cast<int>(rig.log->size()), soundCalls); // no sound
}

void WindowTest::activationRedrawsTheGridOverTheCoins()
{
    Rig rig;
    rig.form->show();
    rig.form->Command(4)->click();
    const QString estimate = rig.form->Label(2)->text();
    const QString hits = rig.form->Label(4)->text();
    const int bluePixels = CountPixels(rig.Board(), kBlue);
    const int redPixels = CountPixels(rig.Board(), kRed);

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(rig.form.get(), &activate);

    // Every grid pixel is black again; the coins elsewhere stay.
    const QImage board = rig.Board();
    const QImage grid = GridOnly();
    for (int y = 0; y < board.height(); ++y) {
        for (int x = 0; x < board.width(); ++x) {
            if ((grid.pixel(x, y) | 0xff000000u) == qRgb(0, 0, 0))
                QCOMPARE(board.pixel(x, y) | 0xff000000u, qRgb(0, 0, 0));
        }
    }
    QVERIFY(CountPixels(board, kBlue) > bluePixels * 9 / 10);
    QVERIFY(CountPixels(board, kRed) > redPixels * 9 / 10);
    QCOMPARE(rig.form->Label(2)->text(), estimate);
    QCOMPARE(rig.form->Label(4)->text(), hits);
}

void WindowTest::exitAnsweredNoChangesNothing()
{
    Rig rig(platform::MsgBoxResult::No);
    rig.form->show();
    rig.form->Command(3)->click();
    const QImage board = rig.Board();
    const QString estimate = rig.form->Label(2)->text();
    QSignalSpy unloaded(rig.form.get(), &Form1::Unloaded);
    rig.log->clear();

    rig.form->Command(5)->click();
    // The closing cue starts before the question is asked.
    QCOMPARE(rig.log->size(), 3);
    QCOMPARE(rig.log->at(0), QStringLiteral("Stop"));
    QVERIFY(rig.log->at(1).endsWith(QStringLiteral("/endpinpon.wav")));
    QCOMPARE(rig.log->at(2), QStringLiteral("Ask"));
    QCOMPARE(rig.messageBox->prompts, QStringList{QStringLiteral("終了していいですか？")});
    QCOMPARE(rig.messageBox->titles, QStringList{QStringLiteral("コインを投げてπの近似")});

    QCOMPARE(unloaded.count(), 0);
    QVERIFY(rig.form->isVisible());
    QCOMPARE(rig.Board(), board);
    QCOMPARE(rig.form->Label(2)->text(), estimate);
}

void WindowTest::exitAnsweredYesUnloads()
{
    Rig rig(platform::MsgBoxResult::Yes);
    rig.form->show();
    QSignalSpy unloaded(rig.form.get(), &Form1::Unloaded);
    rig.form->Command(5)->click();
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!rig.form->isVisible());
}

void WindowTest::frameCloseAsksNothingAndPlaysNothing()
{
    Rig rig(platform::MsgBoxResult::No);
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    rig.log->clear();
    QVERIFY(rig.form->close());
    QVERIFY(!rig.form->isVisible());
    QVERIFY(rig.log->isEmpty());
    QVERIFY(rig.messageBox->prompts.isEmpty());
}

void WindowTest::maximizeLeavesEveryControlInPlace()
{
    Rig rig;
    rig.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QHash<QString, QRect> before;
    for (QWidget* child : rig.form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        before.insert(child->objectName(), child->geometry());
    rig.form->showMaximized();
    QTRY_VERIFY(rig.form->width() > 570);
    for (QWidget* child : rig.form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QCOMPARE(child->geometry(), before.value(child->objectName()));
    QCOMPARE(rig.form->Picture1()->size(), QSize(527, 439));
}

void WindowTest::realMessageBoxAsksInJapanese()
{
    platform::QtMessageBox box;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(shown != nullptr);
        QCOMPARE(shown->text(), QStringLiteral("終了していいですか？"));
        QCOMPARE(shown->windowTitle(), QStringLiteral("コインを投げてπの近似"));
        QCOMPARE(shown->icon(), QMessageBox::NoIcon);
        QCOMPARE(shown->buttons().size(), 2);
        QCOMPARE(shown->button(QMessageBox::Yes)->text(), QStringLiteral("はい"));
        QCOMPARE(shown->button(QMessageBox::No)->text(), QStringLiteral("いいえ"));
        QCOMPARE(shown->defaultButton(), shown->button(QMessageBox::Yes));
        QVERIFY(shown->isModal());
        checked = true;
        shown->button(QMessageBox::No)->click();
    });
    const auto answer = box.AskYesNo(nullptr, QStringLiteral("終了していいですか？"),
                                     QStringLiteral("コインを投げてπの近似"));
    QVERIFY(checked);
    QCOMPARE(answer, platform::MsgBoxResult::No);

    QTimer::singleShot(0, [] {
        QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); // the default
    });
    QCOMPARE(box.AskYesNo(nullptr, QStringLiteral("?"), QStringLiteral("t")),
             platform::MsgBoxResult::Yes);
}

void WindowTest::iconAndEmblemAreCompiledIn()
{
    const QImage icon(QStringLiteral(":/pi-coins/frog-32.png"));
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY(!icon.hasAlphaChannel());
    QCOMPARE(icon.depth() >= 24, true);
    const QImage emblem(QStringLiteral(":/pi-coins/emblem.jpg"));
    QCOMPARE(emblem.size(), QSize(42, 41));
    // Its ground is the window's light grey, so it blends in.
    const QColor corner = emblem.pixelColor(0, 0);
    QVERIFY(qAbs(corner.red() - 240) <= 3 && qAbs(corner.blue() - 240) <= 3);
    Rig rig;
    QVERIFY(!rig.form->windowIcon().isNull());
    QCOMPARE(rig.form->Picture2()->pixmap().size(), QSize(42, 41));
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
