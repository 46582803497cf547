// Sound that really plays: the program's own player (MMControl over
// libcanberra) against a private PulseAudio server whose null sink is
// recorded, and the recording compared sample by sample with the cue files.

#include "AudioServer.h"
#include "BoardImage.h"
#include "Experiment.h"
#include "MMControl.h"
#include "Random.h"
#include "WaveFiles.h"

#include <QElapsedTimer>
#include <QTest>

using namespace audio_testing;

namespace {

QString CueFile(const QString& name)
{
    return QDir(QStringLiteral(PI_COINS_ASSETS_DIR)).filePath(name);
}

// The part of `recorded` that starts where the cue starts and is as long as
// the cue; empty when the cue is not found.
std::vector<std::int16_t> Take(const std::vector<std::int16_t>& recorded, std::size_t at,
                               std::size_t length)
{
    if (at >= recorded.size())
        return {};
    const std::size_t end = std::min(recorded.size(), at + length);
    return {recorded.begin() + static_cast<std::ptrdiff_t>(at),
            recorded.begin() + static_cast<std::ptrdiff_t>(end)};
}

double Energy(const std::vector<std::int16_t>& samples, std::size_t from, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = from; i < from + count && i < samples.size(); ++i)
        sum += double(samples[i]) * samples[i];
    return sum;
}

// Counts the samples that differ by more than the tolerance.
std::size_t Mismatches(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                       int tolerance = 2)
{
    std::size_t count = std::max(a.size(), b.size()) - std::min(a.size(), b.size());
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        count += std::abs(a[i] - b[i]) > tolerance ? 1 : 0;
    return count;
}

constexpr std::size_t kMatchLength = 2000; // samples to recognise a cue's start by

} // namespace

class AudioTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cueArrivesWhole_data();
    void cueArrivesWhole();
    void stopSilencesASoundingCue();
    void secondRunStartsTheCueFromItsBeginning();
    void noGapsWhileTheUiThreadIsBusy();
    void goodFormatsReallyPlay_data();
    void goodFormatsReallyPlay();

private:
    std::unique_ptr<AudioServer> m_server;
};

void AudioTest::initTestCase()
{
    if (!HaveTools())
        QSKIP("PulseAudio is not installed (scripts/dev test installs it)");
    m_server = std::make_unique<AudioServer>();
    QVERIFY2(m_server->Start(), "the private PulseAudio server did not start");
    qputenv("PULSE_SERVER", m_server->ServerAddress().toLocal8Bit());
    QDir::setCurrent(QStringLiteral(PI_COINS_ASSETS_DIR));
}

void AudioTest::cueArrivesWhole_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("pinpon.wav") << QStringLiteral("pinpon.wav");
    QTest::newRow("endpinpon.wav") << QStringLiteral("endpinpon.wav");
}

void AudioTest::cueArrivesWhole()
{
    QFETCH(QString, name);
    const std::vector<std::int16_t> cue = ReadCue(CueFile(name));
    QVERIFY(cue.size() > kSampleRate / 2);

    platform::MMControl player;
    Recorder recorder(*m_server);
    platform::PlaySoundCue(player, name);
    QVERIFY(recorder.WaitForLength(0.1 + double(cue.size()) / kSampleRate + 0.6));
    const std::vector<std::int16_t> recorded = recorder.Samples();

    const std::size_t at = Find(recorded, cue, kMatchLength);
    QVERIFY2(at < recorded.size(), "the cue's beginning was not heard");
    const std::vector<std::int16_t> heard = Take(recorded, at, cue.size());
    QCOMPARE(heard.size(), cue.size());
    QCOMPARE(Mismatches(heard, cue), std::size_t{0});
    // Its last 100 ms included, and nothing after it.
    const std::size_t tail = kSampleRate / 10;
    QVERIFY(Energy(cue, cue.size() - tail, tail) > 0);
    QCOMPARE(Energy(heard, heard.size() - tail, tail), Energy(cue, cue.size() - tail, tail));
    QCOMPARE(FirstSound(recorded, at + cue.size()), recorded.size());
}

void AudioTest::stopSilencesASoundingCue()
{
    const std::vector<std::int16_t> cue = ReadCue(CueFile(QStringLiteral("pinpon.wav")));
    platform::MMControl player;
    Recorder recorder(*m_server);
    platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
    QTest::qSleep(250);
    player.SetCommand(QStringLiteral("Stop"));
    QVERIFY(recorder.WaitForLength(0.1 + double(cue.size()) / kSampleRate + 0.5));
    const std::vector<std::int16_t> recorded = recorder.Samples();

    const std::size_t at = Find(recorded, cue, kMatchLength);
    QVERIFY(at < recorded.size());
    // What was heard is the cue's beginning, cut off well before its end.
    std::size_t last = at;
    for (std::size_t i = at; i < recorded.size(); ++i) {
        if (recorded[i] != 0)
            last = i;
    }
    const std::size_t played = last - at + 1;
    QVERIFY2(played < cue.size() * 3 / 4, qPrintable(QString::number(played)));
    QCOMPARE(Mismatches(Take(recorded, at, played / 2),
                        std::vector<std::int16_t>(cue.begin(), cue.begin() + played / 2)),
             std::size_t{0});
}

void AudioTest::secondRunStartsTheCueFromItsBeginning()
{
    const std::vector<std::int16_t> cue = ReadCue(CueFile(QStringLiteral("pinpon.wav")));
    platform::MMControl player;
    Recorder recorder(*m_server);
    platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
    QTest::qSleep(300);
    platform::PlaySoundCue(player, QStringLiteral("pinpon.wav"));
    QVERIFY(recorder.WaitForLength(0.1 + 0.3 + double(cue.size()) / kSampleRate + 0.6));
    const std::vector<std::int16_t> recorded = recorder.Samples();

    const std::size_t first = Find(recorded, cue, kMatchLength);
    QVERIFY(first < recorded.size());
    const std::size_t second = Find(recorded, cue, kMatchLength, first + kMatchLength);
    QVERIFY2(second < recorded.size(), "the cue did not start again");
    QVERIFY(second - first > kSampleRate / 10);
    QCOMPARE(Mismatches(Take(recorded, second, cue.size()), cue), std::size_t{0});
}

void AudioTest::noGapsWhileTheUiThreadIsBusy()
{
    const std::vector<std::int16_t> cue = ReadCue(CueFile(QStringLiteral("pinpon.wav")));
    platform::MMControl player;
    platform::BoardImage board(QSize(523, 435));
    platform::RandomGenerator random;
    experiment::Experiment run(board, player, random, {}, {});

    Recorder recorder(*m_server);
    // A 50,000-coin run starts the cue, then the thread stays busy with more
    // coins for longer than the cue lasts, never returning to an event loop.
    QElapsedTimer busy;
    busy.start();
    QVERIFY(run.RunExperiment(50000));
    while (busy.elapsed() < 1200)
        run.ThrowCoins(50000);
    QVERIFY(recorder.WaitForLength(0.1 + double(cue.size()) / kSampleRate + 0.4));
    const std::vector<std::int16_t> recorded = recorder.Samples();

    const std::size_t at = Find(recorded, cue, kMatchLength);
    QVERIFY(at < recorded.size());
    QCOMPARE(Mismatches(Take(recorded, at, cue.size()), cue), std::size_t{0});
}

void AudioTest::goodFormatsReallyPlay_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::newRow("8-bit mono") << 1 << 8;
    QTest::newRow("16-bit stereo") << 2 << 16;
    QTest::newRow("16-bit six channels") << 6 << 16;
}

void AudioTest::goodFormatsReallyPlay()
{
    QFETCH(int, channels);
    QFETCH(int, bits);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tone.wav"));
    QVERIFY(wave_files::WriteFile(path, wave_files::Tone(channels, bits, kSampleRate / 4)));

    platform::MMControl player;
    Recorder recorder(*m_server);
    platform::PlaySoundCue(player, path);
    QVERIFY(recorder.WaitForLength(0.1 + 0.25 + 0.5));
    const std::vector<std::int16_t> recorded = recorder.Samples();
    const std::size_t at = FirstSound(recorded);
    QVERIFY2(at < recorded.size(), "nothing was heard");
    // About a quarter second of tone, loud enough.
    std::size_t last = at;
    for (std::size_t i = at; i < recorded.size(); ++i) {
        if (std::abs(recorded[i]) > 200)
            last = i;
    }
    QVERIFY2(last - at > kSampleRate / 5 && last - at < kSampleRate / 3,
             qPrintable(QString::number(last - at)));
}

QTEST_GUILESS_MAIN(AudioTest)
#include "tst_audio.moc"
