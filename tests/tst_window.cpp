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
        auto scripted = std::make_unique<ScriptedRandom>(log, std::vector{0.0f, 0.5f, 0.125f});
        random = scripted.get();
        services.random = std::move(scripted);
        form = std::make_unique<window::Form1>(std::move(services));
        form->show();
        log.clear();
    }
    QImage Board() const { return form->Picture1()->Board().Image(); }
    QString Label(int n) const { return form->Label(n)->text(); }
    QString Played(const char* cue) const
    {
        return u"Play "_s + QDir::current().filePath(QLatin1String(cue));
    }

    Log log;
    ScriptedRandom* random = nullptr;
    std::unique_ptr<window::Form1> form;
};

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runButtonsRunTheirCounts_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("coins");
        QTest::newRow("10個") << 1 << 10;
        QTest::newRow("100個") << 2 << 100;
        QTest::newRow("1000個") << 3 << 1000;
        QTest::newRow("10000個") << 4 << 10000;
        QTest::newRow("50000個") << 7 << 50000;
    }
    void runButtonsRunTheirCounts()
    {
        QFETCH(int, button);
        QFETCH(int, coins);
        Window w;
        int values = 0;
        w.random->onValue = [&] { ++values; };
        w.form->Command(button)->click();
        QCOMPARE(values, 2 * coins);
        QCOMPARE(w.log.mid(0, 2), (QStringList{u"Stop"_s, w.Played("pinpon.wav")}));
        QCOMPARE(w.Label(4), QString::number(coins)); // every scripted coin is a hit
    }

    void activationAndInitialize()
    {
        Window w;
        // At the start: the grid on a blank board, no results, the focus on the canvas.
        platform::BoardImage expected(w.Board().size());
        experiment::DrawBoardGrid(expected);
        QCOMPARE(w.Board(), expected.Image());
        QCOMPARE(w.Label(2) + w.Label(4), QString());
        QCOMPARE(w.form->focusWidget(), w.form->Picture1());
        // Activation after a run draws the grid over the coins and keeps the labels.
        w.form->Command(1)->click();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w.form.get(), &activate);
        const QPoint coins[] = {{40, 240}, {90, 40}, {240, 90}}; // from the scripted values
        for (int i = 0; i < 10; ++i)
            experiment::DrawCoin(expected, std::int16_t(coins[i % 3].x()),
                                 std::int16_t(coins[i % 3].y()), true);
        experiment::DrawBoardGrid(expected);
        QCOMPARE(w.Board(), expected.Image());
        QCOMPARE(w.Label(4), u"10"_s);
        // Initialize goes back to the start, without a sound.
        w.log.clear();
        w.form->Command(6)->click();
        expected.Cls();
        experiment::DrawBoardGrid(expected);
        QCOMPARE(w.Board(), expected.Image());
        QCOMPARE(w.Label(2) + w.Label(4), QString());
        QCOMPARE(w.log, QStringList());
    }

    void exitAsksAfterItsCue_data()
    {
        QTest::addColumn<platform::MsgBoxResult>("answer");
        QTest::newRow("No") << platform::MsgBoxResult::No;
        QTest::newRow("Yes") << platform::MsgBoxResult::Yes;
    }
    void exitAsksAfterItsCue()
    {
        QFETCH(platform::MsgBoxResult, answer);
        Window w(answer);
        w.form->Command(1)->click();
        const QImage board = w.Board();
        const QString estimate = w.Label(2);
        bool unloaded = false;
        QObject::connect(w.form.get(), &window::Form1::Unloaded, [&] { unloaded = true; });
        w.log.clear();
        w.form->Command(5)->click();
        QCOMPARE(w.log, (QStringList{u"Stop"_s, w.Played("endpinpon.wav"),
                                     u"Ask 終了していいですか？ / コインを投げてπの近似"_s}));
        const bool ends = answer == platform::MsgBoxResult::Yes;
        QCOMPARE(unloaded, ends);
        QCOMPARE(w.form->isVisible(), !ends);
        QCOMPARE(w.Board(), board);
        QCOMPARE(w.Label(2), estimate);
    }

    void frameCloseEndsWithoutQuestionOrSound()
    {
        Window w;
        QVERIFY(w.form->close());
        QCOMPARE(w.log, QStringList());
    }

    void clickDuringARunIsHandledAfterIt()
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

    void keysPressOnlyTheFocusedButton_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("pressed");
        QTest::newRow("space on 10個") << 1 << Qt::Key_Space << u"Command1"_s;
        QTest::newRow("enter on 100個") << 2 << Qt::Key_Return << u"Command2"_s;
        QTest::newRow("keypad enter on 初期化") << 6 << Qt::Key_Enter << u"Command6"_s;
        QTest::newRow("space on 50000個") << 7 << Qt::Key_Space << u"Command7"_s;
        QTest::newRow("tab cycles back to the canvas") << 8 << Qt::Key_Space << QString();
        QTest::newRow("escape") << 1 << Qt::Key_Escape << QString();
    }
    void keysPressOnlyTheFocusedButton()
    {
        QFETCH(int, tabs);
        QFETCH(Qt::Key, key);
        QFETCH(QString, pressed);
        Window w;
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

    void screenReadersGetCaptionsAndResults()
    {
        Window w;
        const auto labelledBy = [&](int value) {
            const auto relations = QAccessible::queryAccessibleInterface(w.form->Label(value))
                                       ->relations(QAccessible::Label);
            return relations.isEmpty() ? QString()
                                       : relations.first().first->object()->objectName();
        };
        QCOMPARE(labelledBy(2), u"Label1"_s);
        QCOMPARE(labelledBy(4), u"Label3"_s);
        const QString idle = w.form->Picture1()->accessibleDescription();
        w.form->Command(1)->click();
        QCOMPARE(w.form->Picture1()->accessibleDescription(),
                 u"10個のコインのうち10個が格子点と重なりました。π＝4"_s);
        w.form->Command(6)->click();
        QCOMPARE(w.form->Picture1()->accessibleDescription(), idle);
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
