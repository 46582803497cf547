// How long a run takes, with and without drawing, and what the toolkit's
// own per-coin ellipse drawing would cost for the same coins.
//   scripts/dev bench [--benchmark_repetitions=5 ...]

#include "experiment/BoardGeometry.h"
#include "experiment/Experiment.h"
#include "platform/BoardCanvas.h"
#include "platform/BoardImage.h"
#include "platform/QBColor.h"
#include "platform/Random.h"
#include "platform/RunRecord.h"
#include "platform/sound/MMControl.h"
#include "window/Form1.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

constexpr QSize kArea{523, 435};

// A whole run as a button starts it: cue, wipe, grid, coins, texts.
void BM_RunExperiment(benchmark::State& state)
{
    const auto coins = static_cast<int>(state.range(0));
    const qreal ratio = static_cast<qreal>(state.range(1));
    platform::BoardImage board(kArea * ratio, static_cast<int>(ratio));
    platform::MMControl sound(std::make_unique<platform::NullSoundBackend>());
    platform::RandomGenerator random;
    experiment::Experiment run(board, sound, random);
    for (auto _ : state) {
        run.RunExperiment(coins);
        const uchar* bits = board.Image().constBits();
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(state.iterations() * coins);
    state.SetLabel(ratio > 1 ? "2x" : "1x");
}
BENCHMARK(BM_RunExperiment)
    ->ArgsProduct({{10, 100, 1000, 10000, 50000}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

// A run as the user starts it, through its button, without and with a
// record of runs (--record): the window queues the record's line after the
// board is drawn, and the record's own thread writes it, as the user looks
// at the result (here outside the timing, as between two clicks).
void BM_ButtonRunWithRecord(benchmark::State& state)
{
    QTemporaryDir dir;
    QString problem;
    window::Form1::Services services;
    services.sound = std::make_unique<platform::NullSoundBackend>();
    if (state.range(1) != 0)
        services.record =
            platform::RunRecord::Open(dir.filePath(QStringLiteral("runs.csv")), problem);
    platform::RunRecord* record = services.record.get();
    window::Form1 form(std::move(services));
    form.show();
    auto* button = form.findChild<QPushButton*>(QStringLiteral("Command%1").arg(state.range(0)));
    auto* canvas = form.findChild<platform::BoardCanvas*>(QStringLiteral("Picture1"));
    for (auto _ : state) {
        button->click();
        QCoreApplication::processEvents(); // the repaint, then the record's line
        const uchar* bits = canvas->Board().Image().constBits();
        benchmark::DoNotOptimize(bits);
        if (record != nullptr) {
            state.PauseTiming();
            record->WaitWritten(std::chrono::seconds(5));
            state.ResumeTiming();
        }
    }
    state.SetLabel(state.range(1) != 0 ? "with a record" : "without");
}
BENCHMARK(BM_ButtonRunWithRecord)->ArgsProduct({{1, 3}, {0, 1}})->Unit(benchmark::kMicrosecond);

// The naive floor: the unavoidable work of a run done the simplest way.
// Wipe the image, take 100,000 random numbers, and write each coin's
// outline pixel by pixel from a table of offsets at its centre. Every run
// figure above reads as a ratio to this one.
void BM_NaiveFloor(benchmark::State& state)
{
    const auto ratio = static_cast<int>(state.range(0));
    QImage image(kArea * ratio, QImage::Format_RGB32);
    const int width = image.width(), height = image.height();
    platform::BoardImage stamp(image.size(), ratio);
    experiment::DrawCoin(stamp, 240, 240, true);
    const QImage& drawn = stamp.Image();
    const QPoint middle = stamp.ToDevice(240, 240);
    std::vector<QPoint> offsets;
    std::vector<qsizetype> linear;
    QRect bounds;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (drawn.pixel(x, y) != 0xffffffff) {
                offsets.push_back(QPoint(x, y) - middle);
                linear.push_back(qsizetype(y - middle.y()) * width + (x - middle.x()));
                bounds |= QRect(offsets.back(), QSize(1, 1));
            }
        }
    }
    platform::RandomGenerator random;
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const QRect area = image.rect();
    for (auto _ : state) {
        image.fill(0xffffffff);
        random.Randomize(platform::Timer());
        for (int i = 0; i < 50'000; ++i) {
            const auto x = experiment::RandomCoinCoordinate(random);
            const auto y = experiment::RandomCoinCoordinate(random);
            const QRgb color = experiment::CoversLatticePoint(x, y) ? 0xff0000ff : 0xffff0000;
            const QPoint centre(int(x * width / 480.0 + 0.5), int(y * height / 480.0 + 0.5));
            if (area.contains(bounds.translated(centre))) {
                QRgb* const origin = bits + qsizetype(centre.y()) * width + centre.x();
                for (const qsizetype offset : linear)
                    origin[offset] = color;
                continue;
            }
            for (const QPoint offset : offsets) { // an edge coin, pixel by pixel
                const int px = centre.x() + offset.x(), py = centre.y() + offset.y();
                if (unsigned(px) < unsigned(width) && unsigned(py) < unsigned(height))
                    bits[qsizetype(py) * width + px] = color;
            }
        }
        benchmark::DoNotOptimize(bits);
    }
    state.SetItemsProcessed(state.iterations() * 50'000);
    state.SetLabel(ratio > 1 ? "2x" : "1x");
}
BENCHMARK(BM_NaiveFloor)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

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
    platform::BoardImage geometry(kArea * ratio, static_cast<int>(ratio));
    QImage image(geometry.Image().size(), QImage::Format_RGB32);
    platform::RandomGenerator random;
    random.Randomize(platform::Timer());
    const platform::Rgb hit = platform::QBColor(experiment::CoverColor);
    const platform::Rgb miss = platform::QBColor(experiment::MissColor);
    const int penWidth = ratio > 1 ? 2 : 1;
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        QPen hitPen(QColor(hit), penWidth);
        QPen missPen(QColor(miss), penWidth);
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

// Starting a cue on the UI thread: lookup, header check, backend call; for
// the bundled cue and for a 64 MiB file of a header, millions of one-byte
// chunks and then its format and sound (refused, after a bounded walk).
void BM_CueOnTheUiThread(benchmark::State& state)
{
    QString name = QStringLiteral("pinpon.wav");
    QTemporaryDir dir;
    if (state.range(0) == 1) {
        name = dir.filePath(name);
        QFile stuffed(name);
        const QByteArray junk = QByteArrayLiteral("JUNK\x01\0\0\0j").repeated(1 << 16);
        stuffed.open(QIODevice::WriteOnly);
        stuffed.write(QByteArrayLiteral("RIFF\x40\0\0\0WAVE"));
        while (stuffed.size() < (64 << 20))
            stuffed.write(junk);
        QFile bundled(QStringLiteral("pinpon.wav"));
        bundled.open(QIODevice::ReadOnly);
        stuffed.write(bundled.readAll().mid(12));
    }
    platform::MMControl sound(std::make_unique<platform::NullSoundBackend>());
    for (auto _ : state)
        platform::PlaySoundCue(sound, name);
    state.SetLabel(state.range(0) == 1 ? "64 MiB stuffed with chunks" : "bundled cue");
}
BENCHMARK(BM_CueOnTheUiThread)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

std::int64_t ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return 0;
}

// A soak: a thousand runs of mixed sizes in the real window, with
// initializes and activations between them. Reports how much resident
// memory grew after the first ten runs.
void BM_SoakThousandRuns(benchmark::State& state)
{
    for (auto _ : state) {
        window::Form1::Services services;
        services.sound = std::make_unique<platform::NullSoundBackend>();
        window::Form1 form(std::move(services));
        form.show();
        std::int64_t settled = 0;
        for (int i = 0; i < 1000; ++i) {
            form.findChild<QPushButton*>(
                    QStringLiteral("Command%1").arg(std::array{1, 2, 3, 4, 7, 1, 2, 6}[i % 8]))
                ->click();
            if (i % 10 == 0) {
                QEvent activate(QEvent::WindowActivate);
                QCoreApplication::sendEvent(&form, &activate);
            }
            QCoreApplication::processEvents();
            if (i == 10)
                settled = ResidentKiB();
        }
        state.counters["rss_growth_KiB"] = static_cast<double>(ResidentKiB() - settled);
    }
}
BENCHMARK(BM_SoakThousandRuns)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("pi-coins.sound.warning=false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
