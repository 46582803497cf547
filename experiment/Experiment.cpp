#include "Experiment.h"

#include "BoardGeometry.h"
#include "BoardSurface.h"
#include "MMControl.h"
#include "Random.h"

#include <charconv>

Q_LOGGING_CATEGORY(lcRun, "pi-coins.run", QtWarningMsg)

namespace experiment {

Experiment::Experiment(platform::BoardSurface& canvas, platform::MMControl& sound,
                       platform::RandomSource& random, TextTarget estimateTarget,
                       TextTarget hitCountTarget)
    : m_canvas(canvas), m_sound(sound), m_random(random),
      m_estimateTarget(std::move(estimateTarget)), m_hitCountTarget(std::move(hitCountTarget)),
      m_coinX(std::make_unique<CoinArray>()), m_coinY(std::make_unique<CoinArray>())
{}

Experiment::~Experiment() = default;

bool Experiment::RunExperiment(int coinCount)
{
    if (!Fits(coinCount))
        return false;
    platform::PlaySoundCue(m_sound, QStringLiteral("pinpon.wav"));
    return ThrowCoins(coinCount);
}

bool Experiment::ThrowCoins(int coinCount)
{
    if (!Fits(coinCount))
        return false;

    m_canvas.Cls();
    std::int32_t hitCount = 0;
    DrawBoardGrid(m_canvas);
    m_random.Randomize(platform::Timer());

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

    std::array<char16_t, 64> estimateText{};
    const std::size_t estimateLength =
        FormatPiEstimate(PiEstimate(hitCount, coinCount), estimateText);
    const QStringView estimate(estimateText.data(), static_cast<qsizetype>(estimateLength));
    if (m_estimateTarget)
        m_estimateTarget(estimate);

    char digits[16];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), hitCount);
    std::array<char16_t, 16> hitsText{};
    std::size_t hitsLength = 0;
    for (const char* p = digits; p < written.ptr; ++p)
        hitsText[hitsLength++] = static_cast<char16_t>(*p);
    if (m_hitCountTarget)
        m_hitCountTarget(QStringView(hitsText.data(), static_cast<qsizetype>(hitsLength)));

    qCDebug(lcRun).nospace().noquote()
        << "run of " << coinCount << " coins: " << hitCount << " hits, estimate " << estimate;
    return true;
}

} // namespace experiment
