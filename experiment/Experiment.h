#pragma once

#include <QLoggingCategory>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// One debug line per finished run (off unless enabled with QT_LOGGING_RULES
// "pi-coins.run.debug=true"); lets tests and users follow runs from outside.
Q_DECLARE_LOGGING_CATEGORY(lcRun)

namespace platform {
class BoardSurface;
class CueControl;
class RandomSource;
} // namespace platform

namespace experiment {

// One experiment run after another on one board: each run starts the cue,
// wipes the board, draws the grid, seeds the generator from the time of
// day, throws N coins one by one (testing and drawing each before the next)
// and finally writes the estimate and the hit count into two text targets.
//
// The coin arrays are allocated once, with the object, for the largest run;
// a run writes entries 1..N and leaves the others as they are. A run
// allocates nothing per coin and does not return to the event loop.
class Experiment
{
public:
    static constexpr int MaxCoinCount = 50'000;
    using CoinArray = std::array<std::int16_t, MaxCoinCount + 1>;
    using TextTarget = std::function<void(const QString&)>;

    Experiment(platform::BoardSurface& canvas, platform::CueControl& sound,
               platform::RandomSource& random, TextTarget estimateTarget,
               TextTarget hitCountTarget);

    // Runs N coins. Refuses (returns false, touching nothing) a count
    // outside 1..MaxCoinCount, which the coin arrays could not hold.
    bool RunExperiment(int coinCount);

    std::span<const std::int16_t, MaxCoinCount + 1> CoinX() const { return *m_coinX; }
    std::span<const std::int16_t, MaxCoinCount + 1> CoinY() const { return *m_coinY; }

private:
    platform::BoardSurface& m_canvas;
    platform::CueControl& m_sound;
    platform::RandomSource& m_random;
    TextTarget m_estimateTarget;
    TextTarget m_hitCountTarget;
    std::unique_ptr<CoinArray> m_coinX;
    std::unique_ptr<CoinArray> m_coinY;
};

} // namespace experiment
