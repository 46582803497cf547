#include "experiment/Experiment.h"

#include "experiment/BoardGeometry.h"
#include "platform/BoardSurface.h"
#include "platform/Random.h"
#include "platform/sound/CueControl.h"

#include <utility>

Q_LOGGING_CATEGORY(lcRun, "pi-coins.run", QtWarningMsg)

namespace experiment {

Experiment::Experiment(platform::BoardSurface& canvas, platform::CueControl& sound,
                       platform::RandomSource& random, QObject* parent)
    : QObject(parent), m_canvas(canvas), m_sound(sound), m_random(random),
      m_coinX(std::make_unique<CoinArray>()), m_coinY(std::make_unique<CoinArray>())
{}

bool Experiment::RunExperiment(int coinCount)
{
    if (coinCount < 1 || coinCount > MaxCoinCount)
        return false;

    platform::PlaySoundCue(m_sound, QStringLiteral("pinpon.wav"));
    m_canvas.Cls();
    std::int32_t hitCount = 0;
    DrawBoardGrid(m_canvas);
    const std::uint32_t seed = m_fixedSeed ? std::exchange(*m_fixedSeed, NextSeed(*m_fixedSeed))
                                           : platform::SeedFromTimer(platform::Timer());
    m_random.Randomize(seed);

    CoinArray& coinX = *m_coinX;
    CoinArray& coinY = *m_coinY;
    for (int i = 1; i <= coinCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        coinX[index] = RandomCoinCoordinate(m_random);
        coinY[index] = RandomCoinCoordinate(m_random);
        const bool covered = CoversLatticePoint(coinX[index], coinY[index]);
        DrawCoin(m_canvas, coinX[index], coinY[index], covered);
        if (covered)
            ++hitCount;
    }

    const QString estimate = PiEstimateText(PiEstimate(hitCount, coinCount));
    Q_EMIT Finished(coinCount, hitCount, estimate, seed);
    qCDebug(lcRun).nospace().noquote() << "run of " << coinCount << " coins: " << hitCount
                                       << " hits, estimate " << estimate << ", seed " << seed;
    return true;
}

} // namespace experiment
