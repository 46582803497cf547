#pragma once

// The program's one window and how its parts meet.
//
//   Form1 (this file)        the window: sixteen controls at fixed places
//                            and the eight event handlers
//   experiment::Experiment   one run: cue, wipe, grid, coins, result texts;
//                            owns the coin arrays, for as long as the window
//   experiment geometry      constants, coin test, estimate, grid drawing
//   platform::BoardCanvas    Picture1: retained drawing in board units,
//                            rendered when shown, long runs with the help
//                            of a second render thread
//   platform::MMControl      MMControl1: the hidden sound cue player; the
//                            sound backend it is given plays on a player
//                            thread of its own (platform/sound/)
//   platform::MessageBox     the Yes/No question, replaceable in tests
//
// The handlers run on the user-interface thread. A run does not return to
// the event loop until it has ended; input that arrives meanwhile is
// handled afterwards, in order.

#include "platform/MessageBox.h"
#include "platform/Random.h"
#include "platform/RunRecord.h"
#include "platform/sound/SoundBackend.h"
#include "window/QuestionHandBack.h"

#include <QFont>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;

namespace platform {
class BoardCanvas;
class MMControl;
} // namespace platform

namespace experiment {
class Experiment;
}

namespace window {

inline constexpr auto kWindowTitle = u"コインを投げて円周率πの近似値を求める！";
inline constexpr auto kExitPrompt = u"終了していいですか？";
inline constexpr auto kExitTitle = u"コインを投げてπの近似";
inline constexpr auto kCreditLine = u"Coin toss for pi " PI_COINS_VERSION;

// The font every control asks for: the classic Japanese proportional gothic
// first, then the equivalents Debian ships.
QFont ControlFont(double pointSize, bool bold);

// Whether any installed font, or the one kept beside the program, can
// show the window's Japanese texts.
bool HaveJapaneseFont();

// Where a window's frame, laid out at `frame`, opens on a screen whose
// available area is `available`: where it lies inside, there; otherwise
// moved (never resized) into the area, or, where it is wider or taller
// than the area, with its top-left, the title bar's end, at the area's.
QPoint FittedFramePosition(QRect frame, QRect available);

class Form1 final : public QWidget
{
    Q_OBJECT

public:
    struct Services
    {
        std::unique_ptr<platform::SoundBackend> sound;    // default: the system's player
        std::unique_ptr<platform::MessageBox> messageBox; // default: QMessageBox
        std::unique_ptr<platform::RandomSource> random;   // default: RandomGenerator
        std::optional<std::uint32_t> seed;                // default: each run from the clock
        std::unique_ptr<platform::RunRecord> record;      // default: none
    };

    // The controls are children named as above (Command1, Label2, ...).
    explicit Form1(Services services = {}, QWidget* parent = nullptr);
    ~Form1() override;

Q_SIGNALS:
    // The exit command was confirmed: the window is gone, the program ends.
    void Unloaded();

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    // Moves the window, before it is first shown, so that it fits its screen.
    void FitOnScreen();
    void WireEvents();

    // The eight event handlers.
    void Form1Activate();
    void Command1Click(); // 10 coins
    void Command2Click(); // 100 coins
    void Command3Click(); // 1000 coins
    void Command4Click(); // 10000 coins
    void Command7Click(); // 50000 coins
    void Command5Click(); // exit
    void Command6Click(); // initialize

    // A run's results, shown, described on the canvas for screen readers,
    // and recorded.
    void ShowResults(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed);
    // Ctrl+C: the board at its device pixels and its description.
    void CopyBoard();

    Services m_services;
    bool m_shownOnce = false;
    QuestionHandBack m_handBack;
    platform::BoardCanvas* m_picture1 = nullptr;
    platform::MMControl* m_mmControl1 = nullptr;
    QLabel* m_picture2 = nullptr;
    QPushButton* m_commands[7] = {};
    QLabel* m_labels[6] = {};
    std::unique_ptr<experiment::Experiment> m_experiment;
};

} // namespace window
