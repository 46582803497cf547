#pragma once

// The program's one window and how its parts meet.
//
//   Form1 (this file)        the window: sixteen controls at fixed places,
//                            the eight event handlers, the coin arrays
//   experiment::Experiment   one run: cue, wipe, grid, coins, result texts
//   experiment geometry      constants, coin test, estimate, grid drawing
//   platform::BoardCanvas    Picture1: retained drawing in board units
//   platform::MMControl      MMControl1: the hidden sound cue player
//   platform::MessageBox     the Yes/No question, replaceable in tests
//
// Everything runs on the user-interface thread. A run does not return to
// the event loop until it has ended; input that arrives meanwhile is
// handled afterwards, in order.

#include "MessageBox.h"
#include "Random.h"
#include "SoundBackend.h"

#include <QFont>
#include <QWidget>

#include <memory>

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
inline constexpr auto kCreditLine = u"Coin toss for pi 1.00";

// The font every control asks for: the classic Japanese proportional gothic
// first, then the equivalents Debian ships.
QFont ControlFont(double pointSize, bool bold);

// Whether any installed font can show the window's Japanese texts.
bool HaveJapaneseFont();

class Form1 final : public QWidget
{
    Q_OBJECT

public:
    struct Services
    {
        std::unique_ptr<platform::SoundBackend> sound;    // default: libcanberra
        std::unique_ptr<platform::MessageBox> messageBox; // default: QMessageBox
        std::unique_ptr<platform::RandomSource> random;   // default: RandomGenerator
    };

    explicit Form1(Services services = {}, QWidget* parent = nullptr);
    ~Form1() override;

    platform::BoardCanvas* Picture1() const { return m_picture1; }
    platform::MMControl* MMControl1() const { return m_mmControl1; }
    QPushButton* Command(int number) const; // Command1 .. Command7
    QLabel* Label(int number) const;        // Label1 .. Label6
    QLabel* Picture2() const { return m_picture2; }
    experiment::Experiment& Experiment() const { return *m_experiment; }

Q_SIGNALS:
    // The exit command was confirmed: the window is gone, the program ends.
    void Unloaded();

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void WireEvents();

    // The handlers of the three window commands.
    void Form1Activate();
    void Command5Click(); // exit
    void Command6Click(); // initialize

    Services m_services;
    bool m_shownOnce = false;
    platform::BoardCanvas* m_picture1 = nullptr;
    platform::MMControl* m_mmControl1 = nullptr;
    QLabel* m_picture2 = nullptr;
    QPushButton* m_commands[7] = {};
    QLabel* m_labels[6] = {};
    std::unique_ptr<experiment::Experiment> m_experiment;
};

} // namespace window
