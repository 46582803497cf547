#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
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
// and finally hands its results on through Finished().
//
// The coin arrays are allocated once, with the object, for the largest run;
// a run writes entries 1..N and leaves the others as they are. A run
// allocates nothing per coin and does not return to the event loop.
class Experiment final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxCoinCount = 50'000;
    using CoinArray = std::array<std::int16_t, MaxCoinCount + 1>;

    Experiment(platform::BoardSurface& canvas, platform::CueControl& sound,
               platform::RandomSource& random, QObject* parent = nullptr);

    // Runs N coins. Refuses (returns false, touching nothing) a count
    // outside 1..MaxCoinCount, which the coin arrays could not hold.
    bool RunExperiment(int coinCount);

    std::span<const std::int16_t, MaxCoinCount + 1> CoinX() const { return *m_coinX; }
    std::span<const std::int16_t, MaxCoinCount + 1> CoinY() const { return *m_coinY; }

Q_SIGNALS:
    // A run of `coinCount` coins has ended with `hitCount` hits; `estimate`
    // is 4 x hits / coins as the window shows it.
    void Finished(int coinCount, int hitCount, const QString& estimate);

private:
    platform::BoardSurface& m_canvas;
    platform::CueControl& m_sound;
    platform::RandomSource& m_random;
    std::unique_ptr<CoinArray> m_coinX;
    std::unique_ptr<CoinArray> m_coinY;
};

} // namespace experiment
