#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
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

// The seed of the run that follows one seeded with `seed` when the seeds
// are fixed: a step of the golden ratio around the 32-bit circle, so that a
// run replayed from its own seed is followed by the same runs as before.
constexpr std::uint32_t NextSeed(std::uint32_t seed)
{
    return seed + 0x9e37'79b9u;
}

// One experiment run after another on one board: each run starts the cue,
// wipes the board, draws the grid, seeds the generator (from the time of
// day, or from a fixed sequence of seeds), throws N coins one by one
// (testing and drawing each before the next) and finally hands its results
// on through Finished().
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

    // Seeds the next run with `first` and each run after it with the seed
    // NextSeed() gives, instead of seeds from the time of day.
    void FixSeeds(std::uint32_t first) { m_fixedSeed = first; }

    std::span<const std::int16_t, MaxCoinCount + 1> CoinX() const { return *m_coinX; }
    std::span<const std::int16_t, MaxCoinCount + 1> CoinY() const { return *m_coinY; }

Q_SIGNALS:
    // A run of `coinCount` coins has ended with `hitCount` hits; `estimate`
    // is 4 x hits / coins as the window shows it; `seed` replays the run.
    void Finished(int coinCount, int hitCount, const QString& estimate, std::uint32_t seed);

private:
    platform::BoardSurface& m_canvas;
    platform::CueControl& m_sound;
    platform::RandomSource& m_random;
    std::unique_ptr<CoinArray> m_coinX;
    std::unique_ptr<CoinArray> m_coinY;
    std::optional<std::uint32_t> m_fixedSeed; // the next run's, when fixed
};

} // namespace experiment
