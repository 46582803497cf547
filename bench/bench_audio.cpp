// What a sound cue costs and how fast it sounds, against a private
// PulseAudio server (started here, as the test suite does):
//   pi-coins-audio-bench [--benchmark_repetitions=5 ...]
// Latencies are read from the sink's own output stream: a sample's time is
// known from how much the sink has written when it is read back.

#include "AudioServer.h"
#include "MMControl.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using audio_testing::AudioServer;
using audio_testing::kSampleRate;
using audio_testing::Recorder;

AudioServer* g_server = nullptr;

void Pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// From "Sound" to the first sample of the cue leaving the sink.
void BM_CueStartLatency(benchmark::State& state)
{
    platform::MMControl player;
    platform::PlaySoundCue(player, QStringLiteral("pinpon.wav")); // warm the sink up
    Pause(1200);
    for (auto _ : state) {
        Recorder recorder(*g_server);
        QElapsedTimer clock;
        clock.start();
        platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
        double latency = -1;
        while (clock.elapsed() < 2000 && latency < 0) {
            const auto samples = recorder.Samples();
            const std::size_t first = audio_testing::FirstSound(samples);
            if (first < samples.size()) {
                // The sample was written `samples.size() - first` samples ago.
                const double now = clock.nsecsElapsed() / 1e9;
                latency = now - double(samples.size() - first) / kSampleRate;
            }
            Pause(1);
        }
        state.SetIterationTime(std::max(latency, 0.0));
        player.SetCommand(QStringLiteral("Stop"));
        Pause(300);
    }
}
BENCHMARK(BM_CueStartLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// From "Stop" on a sounding cue to its last sample leaving the sink.
void BM_CueStopLatency(benchmark::State& state)
{
    platform::MMControl player;
    for (auto _ : state) {
        Recorder recorder(*g_server);
        platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
        Pause(300);
        QElapsedTimer clock;
        clock.start();
        player.SetCommand(QStringLiteral("Stop"));
        Pause(400);
        const auto samples = recorder.Samples();
        const double now = clock.nsecsElapsed() / 1e9;
        std::size_t last = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (samples[i] != 0)
                last = i;
        }
        const double latency = now - double(samples.size() - last) / kSampleRate;
        state.SetIterationTime(std::max(latency, 0.0));
    }
}
BENCHMARK(BM_CueStopLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// What the five writes of a cue cost the calling (user-interface) thread.
void BM_CueCostOnTheCaller(benchmark::State& state)
{
    platform::MMControl player;
    for (auto _ : state) {
        platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
        state.PauseTiming();
        Pause(20);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CueCostOnTheCaller)->Unit(benchmark::kMillisecond)->Iterations(50);

// The same with no sound server at all: the cue is silent.
void BM_CueCostWithoutServer(benchmark::State& state)
{
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    platform::MMControl player;
    for (auto _ : state)
        platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
    qputenv("PULSE_SERVER", previous);
}
BENCHMARK(BM_CueCostWithoutServer)->Unit(benchmark::kMillisecond)->Iterations(50);

// Opening a 100 MB cue: only its header is read.
void BM_OpenHugeCue(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.wav"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray header = QByteArray::fromHex("52494646"
                                                "2ce1f505"
                                                "57415645"
                                                "666d7420"
                                                "10000000"
                                                "0100"
                                                "0200"
                                                "44ac0000"
                                                "10b10200"
                                                "0400"
                                                "1000"
                                                "64617461"
                                                "00e1f505");
        file.write(header);
        file.resize(header.size() + 100'000'000);
    }
    platform::MMControl player;
    for (auto _ : state) {
        player.SetCommand(QStringLiteral("Close"));
        player.SetFileName(path);
        player.SetCommand(QStringLiteral("Open"));
        benchmark::DoNotOptimize(player.OpenedPath());
    }
}
BENCHMARK(BM_OpenHugeCue)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!audio_testing::HaveTools()) {
        std::fprintf(stderr, "pi-coins-audio-bench: needs pulseaudio, pactl and cat\n");
        return 1;
    }
    AudioServer server;
    if (!server.Start()) {
        std::fprintf(stderr, "pi-coins-audio-bench: the PulseAudio server did not start\n");
        return 1;
    }
    g_server = &server;
    qputenv("PULSE_SERVER", server.ServerAddress().toLocal8Bit());
    QDir::setCurrent(QStringLiteral(PI_COINS_ASSETS_DIR));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
