// How long a run takes, with and without drawing, and what the toolkit's
// own per-coin ellipse drawing would cost for the same coins.
//   scripts/dev bench [--benchmark_repetitions=5 ...]

#include "BoardGeometry.h"
#include "BoardImage.h"
#include "Experiment.h"
#include "MMControl.h"
#include "QBColor.h"
#include "Random.h"
#include "SoundBackend.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr QSize kArea{523, 435};

class SilentBackend final : public platform::SoundBackend
{
public:
    bool Start(const QString&, QString*) override { return true; }
    void Stop() override {}
};

// A whole run as a button starts it: cue, wipe, grid, coins, texts.
void BM_RunExperiment(benchmark::State& state)
{
    const auto coins = static_cast<int>(state.range(0));
    const qreal ratio = static_cast<qreal>(state.range(1));
    platform::BoardImage board(kArea, ratio);
    platform::MMControl sound(std::make_unique<SilentBackend>());
    platform::RandomGenerator random;
    experiment::Experiment run(board, sound, random, {}, {});
    for (auto _ : state) {
        run.RunExperiment(coins);
        benchmark::DoNotOptimize(board.Image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * coins);
    state.SetLabel(ratio > 1 ? "2x" : "1x");
}
BENCHMARK(BM_RunExperiment)
    ->ArgsProduct({{10, 100, 1000, 10000, 50000}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

// The generator and the coin test alone, no drawing.
void BM_ThrowAndTestCoins(benchmark::State& state)
{
    platform::RandomGenerator random;
    random.Randomize(platform::Timer());
    platform::RandomSource& source = random; // through the interface, as a run does
    const int coins = 50'000;
    for (auto _ : state) {
        int hits = 0;
        for (int i = 0; i < coins; ++i) {
            const auto x = experiment::RandomCoinCoordinate(source);
            const auto y = experiment::RandomCoinCoordinate(source);
            hits += experiment::CoversLatticePoint(x, y) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * coins);
}
BENCHMARK(BM_ThrowAndTestCoins)->Unit(benchmark::kMillisecond);

// The same 50,000 coins drawn by QPainter::drawEllipse, one call per coin:
// the baseline the canvas's outline replay is measured against.
void BM_QPainterBaseline(benchmark::State& state)
{
    const qreal ratio = static_cast<qreal>(state.range(0));
    platform::BoardImage geometry(kArea, ratio);
    QImage image(geometry.Image().size(), QImage::Format_RGB32);
    platform::RandomGenerator random;
    random.Randomize(platform::Timer());
    const QColor hit = platform::QBColor(experiment::CoverColor);
    const QColor miss = platform::QBColor(experiment::MissColor);
    const int penWidth = ratio > 1 ? 2 : 1;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        QPen hitPen(hit, penWidth);
        QPen missPen(miss, penWidth);
        hitPen.setCapStyle(Qt::FlatCap);
        missPen.setCapStyle(Qt::FlatCap);
        for (int i = 0; i < 50'000; ++i) {
            const auto x = experiment::RandomCoinCoordinate(random);
            const auto y = experiment::RandomCoinCoordinate(random);
            painter.setPen(experiment::CoversLatticePoint(x, y) ? hitPen : missPen);
            painter.drawEllipse(
                geometry.EllipseRect(x, y, experiment::CoinRadius, experiment::CoinAspect));
        }
    }
    state.SetItemsProcessed(state.iterations() * 50'000);
    state.SetLabel(ratio > 1 ? "2x" : "1x");
}
BENCHMARK(BM_QPainterBaseline)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Starting a cue on the UI thread: lookup, header check, backend call.
void BM_CueOnTheUiThread(benchmark::State& state)
{
    platform::MMControl sound(std::make_unique<SilentBackend>());
    for (auto _ : state)
        platform::PlaySoundCue(sound, QStringLiteral("pinpon.wav"));
}
BENCHMARK(BM_CueOnTheUiThread)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
