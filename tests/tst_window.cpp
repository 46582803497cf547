// The window's commands, with the platform's services replaced by doubles.

#include "Doubles.h"

#include <QPainter>

#ifdef Q_OS_WIN
#include <windows.h>
// after windows.h, whose types it uses
#include <versionhelpers.h>
#endif

class WindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settingsArrivedAndBoldTextIsHeavierThanRegular()
    {
        // What the test runner sets reaches the program (under Wine, too).
        QCOMPARE(qEnvironmentVariable("QT_LOGGING_RULES"), u"qt.qpa.*=false"_s);
#ifdef Q_OS_WIN
        QVERIFY(IsWindows10OrGreater()); // told so by the program's manifest
#endif
        QVERIFY(window::HaveJapaneseFont());
        const auto ink = [](bool bold) {
            QImage image(400, 40, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setFont(window::ControlFont(12.0, bold));
            painter.drawText(image.rect(), u"格子点と重なったコインの個数＝"_s);
            painter.end();
            int dark = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    dark += qGray(image.pixel(x, y)) < 128;
            }
            return dark;
        };
        const int regular = ink(false), bold = ink(true);
        QVERIFY2(bold > regular * 1.15, qPrintable(u"%1 against %2"_s.arg(bold).arg(regular)));
    }
    void startActivationInitializeAndFrameClose()
    {
        Window w;
        // At the start: the grid on a blank board, no results, the focus on the canvas.
        platform::BoardImage expected(w.Board().size());
        experiment::DrawBoardGrid(expected);
        const QImage start = w.Board();
        QCOMPARE(start, expected.Image());
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
        // Activation after a run draws the grid over the coins and keeps the labels.
        w.Command(1)->click();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(w.form.get(), &activate);
        const QPoint coins[] = {{40, 240}, {90, 40}, {240, 90}}; // from the scripted values
        for (int i = 0; i < 10; ++i)
            experiment::DrawCoin(expected, std::int16_t(coins[i % 3].x()),
                                 std::int16_t(coins[i % 3].y()), true);
        experiment::DrawBoardGrid(expected);
        QCOMPARE(w.Board(), expected.Image());
        QCOMPARE(w.Text(4), u"10"_s);
        // Each run button throws its own count (every scripted coin a hit).
        for (const auto& [n, coins] : {std::pair{2, 100}, {3, 1000}, {4, 10000}, {7, 50000}}) {
            w.Command(n)->click();
            QCOMPARE(w.Text(4), QString::number(coins));
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
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
