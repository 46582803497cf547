// What a sound cue costs the user-interface thread, and how fast it sounds,
// against a private PulseAudio server started here as the tests do, and
// against servers that are missing or never answer:
//   pi-coins-audio-bench [--benchmark_repetitions=5 ...]
// Run from the build directory, where the cues are.

#include "SoundServer.h"
#include "platform/sound/MMControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

SoundServer* g_server = nullptr;

void Pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// From "Sound" to the cue's first sample leaving the sink.
void BM_CueStartLatency(benchmark::State& state)
{
    platform::MMControl player;
    for (auto _ : state) {
        const qsizetype before = g_server->Recording().size();
        QElapsedTimer clock;
        clock.start();
        platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
        double latency = 0;
        for (bool heard = false; !heard && clock.elapsed() < 2000; Pause(1)) {
            const QByteArray recording = g_server->Recording();
            for (qsizetype i = before; i < recording.size() && !heard; ++i) {
                if (recording[i] != 0) {
                    heard = true;
                    latency = clock.nsecsElapsed() / 1e9 -
                              double(recording.size() - i) / 2 / SoundServer::kSampleRate;
                }
            }
        }
        state.SetIterationTime(std::max(latency, 0.0));
        player.SetCommand(QStringLiteral("Stop"));
        Pause(300);
    }
}
BENCHMARK(BM_CueStartLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The five writes of a cue on the calling (user-interface) thread, with
// the server given by `address` (empty: the private one).
void CueCost(benchmark::State& state, const QByteArray& address)
{
    const QByteArray previous = qgetenv("PULSE_SERVER");
    if (!address.isEmpty())
        qputenv("PULSE_SERVER", address);
    {
        platform::MMControl player;
        for (auto _ : state) {
            platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
            state.PauseTiming();
            Pause(20);
            state.ResumeTiming();
        }
    }
    qputenv("PULSE_SERVER", previous);
}

void BM_CueCostOnTheCaller(benchmark::State& state)
{
    CueCost(state, {});
}
BENCHMARK(BM_CueCostOnTheCaller)->Unit(benchmark::kMicrosecond)->Iterations(50);

void BM_CueCostWithoutServer(benchmark::State& state)
{
    CueCost(state, "unix:/nonexistent/pulse/native");
}
BENCHMARK(BM_CueCostWithoutServer)->Unit(benchmark::kMicrosecond)->Iterations(50);

// A server that takes the connection and never says a word.
void BM_CueCostWithNeverAnsweringServer(benchmark::State& state)
{
    const QByteArray path = "/tmp/pi-coins-bench-silent-" + QByteArray::number(getpid());
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 16);
    CueCost(state, "unix:" + path);
    close(listener);
    unlink(path.constData());
}
BENCHMARK(BM_CueCostWithNeverAnsweringServer)->Unit(benchmark::kMicrosecond)->Iterations(50);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SoundServer server;
    if (!server.Start()) {
        std::fprintf(stderr, "pi-coins-audio-bench: the PulseAudio server did not start\n");
        return 1;
    }
    g_server = &server;
    qputenv("PULSE_SERVER", server.Address().toLocal8Bit());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
