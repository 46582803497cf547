// The window's commands, with the platform's services replaced by doubles.

#include "Doubles.h"
#include "experiment/BoardGeometry.h"
#include "platform/BoardCanvas.h"
#include "window/Form1.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

struct Window
{
    explicit Window(platform::MsgBoxResult answer = platform::MsgBoxResult::No)
    {
        window::Form1::Services services;
        services.sound = std::make_unique<LoggingSoundBackend>(log);
        services.messageBox = std::make_unique<ScriptedMessageBox>(log, answer);
        auto scripted =
            std::make_unique<ScriptedRandom>(log, std::vector<float>{0.0f, 0.5f, 0.125f});
        random = scripted.get();
        services.random = std::move(scripted);
        form = std::make_unique<window::Form1>(std::move(services));
        form->show();
        log.clear();
    }
    QImage Board() const { return form->Picture1()->Board().Image(); }
    QString Label(int n) const { return form->Label(n)->text(); }

    Log log;
    ScriptedRandom* random = nullptr;
    std::unique_ptr<window::Form1> form;
};

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithTheGridAndEmptyResults();
    void runButtonsRunTheirCounts_data();
    void runButtonsRunTheirCounts();
    void activationDrawsTheGridOverTheCoins();
    void initializeClearsBoardAndResults();
    void exitAsksAfterItsCue_data();
    void exitAsksAfterItsCue();
    void frameCloseEndsWithoutQuestionOrSound();
    void clickDuringARunIsHandledAfterIt();
    void keysPressOnlyTheFocusedButton_data();
    void keysPressOnlyTheFocusedButton();
    void screenReadersGetCaptionsAndResults();
};

void WindowTest::startsWithTheGridAndEmptyResults()
{
    Window w;
    platform::BoardImage expected(w.Board().size());
    expected.Cls();
    experiment::DrawBoardGrid(expected);
    QCOMPARE(w.Board(), expected.Image());
    QCOMPARE(w.Label(2), QString());
    QCOMPARE(w.Label(4), QString());
    QCOMPARE(w.form->focusWidget(), w.form->Picture1());
}

void WindowTest::runButtonsRunTheirCounts_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("coins");
    QTest::newRow("10個") << 1 << 10;
    QTest::newRow("100個") << 2 << 100;
    QTest::newRow("1000個") << 3 << 1000;
    QTest::newRow("10000個") << 4 << 10000;
    QTest::newRow("50000個") << 7 << 50000;
}

void WindowTest::runButtonsRunTheirCounts()
{
    QFETCH(int, button);
    QFETCH(int, coins);
    Window w;
    int values = 0;
    w.random->onValue = [&] { ++values; };
    w.form->Command(button)->click();
    QCOMPARE(values, 2 * coins);
    QCOMPARE(w.log.mid(0, 2),
             (QStringList{QStringLiteral("Stop"),
                          QStringLiteral("Play ") +
                              QDir::current().filePath(QStringLiteral("pinpon.wav"))}));
    QVERIFY(!w.Label(2).isEmpty());
}

void WindowTest::activationDrawsTheGridOverTheCoins()
{
    Window w;
    w.form->Command(1)->click();
    const QImage afterRun = w.Board();
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(w.form.get(), &activate);
    platform::BoardImage expected(afterRun.size());
    expected.Cls();
    const QPoint coins[] = {{40, 240}, {90, 40}, {240, 90}}; // as the scripted values give them
    experiment::DrawBoardGrid(expected);
    for (int i = 0; i < 10; ++i) // the run's coins, then the grid over them
        experiment::DrawCoin(expected, std::int16_t(coins[i % 3].x()),
                             std::int16_t(coins[i % 3].y()), true);
    experiment::DrawBoardGrid(expected);
    QCOMPARE(w.Board(), expected.Image());
    QCOMPARE(w.Label(4), QStringLiteral("10"));
}

void WindowTest::initializeClearsBoardAndResults()
{
    Window w;
    const QImage empty = w.Board();
    w.form->Command(1)->click();
    w.log.clear();
    w.form->Command(6)->click();
    QCOMPARE(w.Board(), empty);
    QCOMPARE(w.Label(2), QString());
    QCOMPARE(w.Label(4), QString());
    QCOMPARE(w.log, QStringList()); // no sound
}

void WindowTest::exitAsksAfterItsCue_data()
{
    QTest::addColumn<platform::MsgBoxResult>("answer");
    QTest::addColumn<bool>("ends");
    QTest::newRow("No") << platform::MsgBoxResult::No << false;
    QTest::newRow("Yes") << platform::MsgBoxResult::Yes << true;
}

void WindowTest::exitAsksAfterItsCue()
{
    QFETCH(platform::MsgBoxResult, answer);
    QFETCH(bool, ends);
    Window w(answer);
    w.form->Command(1)->click();
    const QImage board = w.Board();
    const QString estimate = w.Label(2);
    bool unloaded = false;
    QObject::connect(w.form.get(), &window::Form1::Unloaded, [&] { unloaded = true; });
    w.log.clear();
    w.form->Command(5)->click();
    QCOMPARE(w.log,
             (QStringList{QStringLiteral("Stop"),
                          QStringLiteral("Play ") +
                              QDir::current().filePath(QStringLiteral("endpinpon.wav")),
                          QStringLiteral("Ask 終了していいですか？ / コインを投げてπの近似")}));
    QCOMPARE(unloaded, ends);
    QCOMPARE(w.form->isVisible(), !ends);
    QCOMPARE(w.Board(), board);
    QCOMPARE(w.Label(2), estimate);
}

void WindowTest::frameCloseEndsWithoutQuestionOrSound()
{
    Window w;
    QVERIFY(w.form->close());
    QCOMPARE(w.log, QStringList());
}

void WindowTest::clickDuringARunIsHandledAfterIt()
{
    Window w;
    QPushButton* initialize = w.form->Command(6);
    w.random->onValue = [&] {
        w.random->onValue = nullptr;
        QMetaObject::invokeMethod(initialize, &QPushButton::click, Qt::QueuedConnection);
    };
    w.form->Command(2)->click();
    QVERIFY(!w.Label(2).isEmpty()); // the run ended before the click was taken
    QCoreApplication::processEvents();
    QCOMPARE(w.Label(2), QString());
}

void WindowTest::keysPressOnlyTheFocusedButton_data()
{
    QTest::addColumn<int>("tabs");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("pressed");
    QTest::newRow("space on 10個") << 1 << Qt::Key_Space << QStringLiteral("Command1");
    QTest::newRow("enter on 100個") << 2 << Qt::Key_Return << QStringLiteral("Command2");
    QTest::newRow("keypad enter on 初期化") << 6 << Qt::Key_Enter << QStringLiteral("Command6");
    QTest::newRow("space on 50000個") << 7 << Qt::Key_Space << QStringLiteral("Command7");
    QTest::newRow("tab cycles back to the canvas") << 8 << Qt::Key_Space << QString();
    QTest::newRow("escape") << 1 << Qt::Key_Escape << QString();
}

void WindowTest::keysPressOnlyTheFocusedButton()
{
    QFETCH(int, tabs);
    QFETCH(Qt::Key, key);
    QFETCH(QString, pressed);
    Window w(platform::MsgBoxResult::No);
    QApplication::setActiveWindow(w.form.get());
    QString clicked;
    for (int i = 1; i <= 7; ++i) {
        QPushButton* button = w.form->Command(i);
        QObject::connect(button, &QPushButton::clicked,
                         [&clicked, button] { clicked += button->objectName(); });
    }
    for (int i = 0; i < tabs; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), key);
    QCOMPARE(clicked, pressed);
}

void WindowTest::screenReadersGetCaptionsAndResults()
{
    Window w;
    const auto labelledBy = [&](int value) {
        const auto relations = QAccessible::queryAccessibleInterface(w.form->Label(value))
                                   ->relations(QAccessible::Label);
        return relations.isEmpty() ? QString() : relations.first().first->object()->objectName();
    };
    QCOMPARE(labelledBy(2), QStringLiteral("Label1"));
    QCOMPARE(labelledBy(4), QStringLiteral("Label3"));
    const QString idle = w.form->Picture1()->accessibleDescription();
    w.form->Command(1)->click();
    QCOMPARE(w.form->Picture1()->accessibleDescription(),
             QStringLiteral("10個のコインのうち10個が格子点と重なりました。π＝4"));
    w.form->Command(6)->click();
    QCOMPARE(w.form->Picture1()->accessibleDescription(), idle);
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
