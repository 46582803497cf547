// The cue player: what each system's player accepts, and where it looks.

#include "Doubles.h"
#include "platform/sound/PlayerThreadBackend.h"

#include <QFileInfo>
#include <QMutex>
#include <QSemaphore>
#include <QTest>
#include <QtEndian>

#include <cstdio>
#include <filesystem>

#ifndef Q_OS_WIN
#include "SoundServer.h"
#endif

namespace {

// A device that logs the cues it is given (the player thread writes, the
// test reads: under the lock), holds each until the gate opens, and refuses
// those named "refused".
struct SlowDevice final : platform::CueDevice
{
    QString Play(const platform::CueFile& cue) override
    {
        QMutexLocker lock(&mutex);
        played += u' ' + QFileInfo(cue.Path()).fileName();
        lock.unlock();
        gate.acquire(), gate.release();
        return cue.Path().contains(u"refused"_s) ? u"refused"_s : QString();
    }
    void Stop() override {}
    QString Played()
    {
        const QMutexLocker lock(&mutex);
        return played;
    }
    QMutex mutex;
    QSemaphore gate;
    QString played;
};

QByteArray Le(quint32 value, int bytes = 4)
{
    const quint32 le = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&le), bytes);
}

// A wave file's pieces, written out byte by byte.
const auto Chunk = [](const char* id, const QByteArray& body) {
    return id + Le(body.size()) + body;
};
const auto Data = [](int bytes) { return Chunk("data", QByteArray(bytes, '\x10')); };
const auto Wave = [](const QByteArray& chunks) {
    return "RIFF" + Le(4 + chunks.size()) + "WAVE" + chunks;
};
QByteArray Fmt(int channels = 1, quint32 rate = 44100, int bits = 16, int tag = 1, int extra = 0)
{
    const int frame = channels * bits / 8;
    return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(rate) + Le(rate * frame) + Le(frame, 2) +
                             Le(bits, 2) + QByteArray(extra, '\0'));
}

// The 40-byte format of WAVE_FORMAT_EXTENSIBLE, 16 bits a sample.
[[maybe_unused]] QByteArray Extensible(int channels, quint32 mask, int tag)
{
    const QByteArray guid = Le(tag, 2) + QByteArray::fromHex("000000001000800000aa00389b71");
    return Fmt(channels, 44100, 16, 0xfffe, 0).replace(4, 4, Le(40)) + Le(22, 2) + Le(16, 2) +
           Le(mask) + guid;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CollectWarnings(true); }
    void cleanup() { CollectWarnings(false); }

    void filesPlayExactlyWhenThePlayerCan_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // empty: it plays
        const QByteArray junk = Chunk("JUNK", "j");
        // The chunk walk, the same for every player.
        QTest::newRow("16 chunks before the format, 16 before the data")
            << Wave(junk.repeated(16) + Fmt() + junk.repeated(16) + Data(100)) << QString();
        QTest::newRow("first fmt counts")
            << Wave(Fmt() + Fmt(1, 44100, 12) + Data(100)) << QString();
        QTest::newRow("17 chunks before the format")
            << Wave(junk.repeated(17) + Fmt() + Data(100))
            << u"has more than 16 chunks before its \"fmt\" chunk"_s;
        QTest::newRow("17 chunks before the data")
            << Wave(Fmt() + junk.repeated(17) + Data(100))
            << u"has more than 16 chunks before its \"data\" chunk"_s;
        QTest::newRow("data past the RIFF size")
            << "RIFF" + Le(4 + 24) + "WAVE" + Fmt() + Data(100) << u"has no \"data\" chunk"_s;
        QTest::newRow("RIFF size past the end of the file")
            << "RIFF" + Le(4 + 24 + 8 + 101) + "WAVE" + Fmt() + Data(100)
            << u"is cut short: its header counts 145 bytes, the file holds 144"_s;
        QTest::newRow("data past the RIFF size, within the file")
            << "RIFF" + Le(4 + 24 + 8 + 50) + "WAVE" + Fmt() + Data(100)
            << u"claims 100 bytes of sound but holds 50"_s;
        QTest::newRow("format header of 4 KiB") // read only as far as a header goes
            << Wave(Fmt(1, 44100, 16, 1, 4096 - 16) + Data(100))
#ifdef Q_OS_WIN
            << QString(); // PlaySound takes it
#else
            << u"4096 bytes"_s;
#endif
        QTest::newRow("format header of 15 bytes")
            << Wave(Chunk("fmt ", QByteArray(15, '\1')) + Data(100)) << u"of 15 bytes"_s;
        QTest::newRow("odd LIST before the data")
            << Wave(Fmt() + Chunk("LIST", "abc") + '\0' + Data(100)) << u"has no \"data\" chunk"_s;
        QTest::newRow("claims a byte more than it holds")
            << Wave(Fmt(1, 8000, 8) + "data" + Le(11) + QByteArray(10, 'x'))
            << u"claims 11 bytes of sound but holds 10"_s;
        QTest::newRow("64 MiB") << Wave(Fmt() + "data" + Le(64u << 20)) << u"has a chunk of"_s;
        QTest::newRow("RIFF of 64 MiB") << "RIFF" + Le(64u << 20) + "WAVE" << u"too large"_s;
#ifdef Q_OS_WIN
        // PlaySound, as measured under Wine.
        QTest::newRow("24-bit") << Wave(Fmt(1, 44100, 24) + Data(99)) << QString();
        QTest::newRow("float") << Wave(Fmt(1, 48000, 32, 3) + Data(100)) << QString();
        QTest::newRow("64 channels") << Wave(Fmt(64) + Data(128)) << QString();
        QTest::newRow("384 kHz") << Wave(Fmt(1, 384'000) + Data(100)) << QString();
        QTest::newRow("32-bit") << Wave(Fmt(1, 44100, 32) + Data(100)) << u"(32-bit PCM)"_s;
        QTest::newRow("ADPCM") << Wave(Fmt(1, 44100, 4, 2, 2) + Data(100)) << u"neither"_s;
        QTest::newRow("frames of the wrong size")
            << Wave(Fmt(2).replace(20, 2, Le(2, 2)) + Data(100)) << u"frames of 2 bytes, not 4"_s;
        QTest::newRow("384,001 Hz") << Wave(Fmt(1, 384'001) + Data(100)) << u"384001 Hz"_s;
#else
        // libcanberra's reader, then PulseAudio.
        QTest::newRow("8-bit, 18-byte fmt")
            << Wave(Fmt(2, 22050, 8, 1, 2) + Data(100)) << QString();
        QTest::newRow("6 channels, no mask") << Wave(Fmt(6) + Data(120)) << QString();
        QTest::newRow("7 channels with their mask")
            << Wave(Extensible(7, 0x3f | 0x400, 1) + Data(140)) << QString();
        QTest::newRow("384 kHz") << Wave(Fmt(1, 384'000) + Data(100)) << QString();
        QTest::newRow("384,001 Hz") << Wave(Fmt(1, 384'001) + Data(100)) << u"384001 Hz"_s;
        QTest::newRow("0 Hz") << Wave(Fmt(1, 0) + Data(100)) << u"of 0 Hz"_s;
        QTest::newRow("partial frame") << Wave(Fmt(2) + Data(102)) << u"partial frame"_s;
        QTest::newRow("20-byte fmt") << Wave(Fmt(1, 44100, 16, 1, 4) + Data(100)) << u"20 bytes"_s;
        QTest::newRow("42-byte fmt") << Wave(Fmt(1, 44100, 16, 1, 26) + Data(100)) << u"42 bytes"_s;
        QTest::newRow("24-bit") << Wave(Fmt(1, 44100, 24) + Data(99)) << u"(24-bit PCM)"_s;
        QTest::newRow("float") << Wave(Fmt(1, 44100, 32, 3, 2) + Data(100)) << u"not integer"_s;
        QTest::newRow("extensible float") << Wave(Extensible(1, 4, 3) + Data(100)) << u"integer"_s;
        QTest::newRow("7 channels") << Wave(Fmt(7) + Data(140)) << u"has 7 channels"_s;
        QTest::newRow("no channels") << Wave(Fmt(0) + Data(100)) << u"has 0 channels"_s;
#endif
    }
    void filesPlayExactlyWhenThePlayerCan()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"cue.wav"_s);
        QVERIFY(Write(path, bytes));
        Log log;
        platform::MMControl control(std::make_unique<LoggingSound>(log));
        platform::PlaySoundCue(control, path);
        platform::PlaySoundCue(control, path);
        const QString native = QDir::toNativeSeparators(path); // as messages name it
        QCOMPARE(log.count(u"Play "_s + native), problem.isEmpty() ? 2 : 0);
        QCOMPARE(Warnings().size(), problem.isEmpty() ? 0 : 1); // once, not at every cue
        if (!problem.isEmpty())
            QVERIFY2(Warnings()[0].contains(native) && Warnings()[0].contains(problem),
                     qPrintable(Warnings()[0]));
    }
    void playerThreadTakesTheLatestRequestAndSaysWhatFails()
    {
        QTemporaryDir dir;
        for (const char* name : {"a.wav", "b.wav", "refused.wav"})
            QVERIFY(Write(dir.filePath(QLatin1String(name)), Wave(Fmt() + Data(100))));
        auto* device = new SlowDevice;
        platform::MMControl control(std::make_unique<platform::PlayerThreadBackend>(
            [device] { return std::unique_ptr<platform::CueDevice>(device); }));
        platform::PlaySoundCue(control, dir.filePath(u"a.wav"_s));
        QTRY_COMPARE(device->Played(), u" a.wav"_s);
        // While the device is busy: the newer requests replace the older.
        platform::PlaySoundCue(control, dir.filePath(u"b.wav"_s));
        platform::PlaySoundCue(control, dir.filePath(u"refused.wav"_s));
        platform::PlaySoundCue(control, dir.filePath(u"refused.wav"_s));
        device->gate.release();
        QTRY_COMPARE(device->Played(), u" a.wav refused.wav"_s);
        // The device's refusal, said once.
        QTRY_COMPARE(Warnings().size(), 1);
        QVERIFY2(Warnings()[0].contains(u"refused.wav cannot be played: refused"_s),
                 qPrintable(Warnings()[0]));
    }
#ifndef Q_OS_WIN
    void cuesPlayWholeOneAtATimeOnOneConnectionAndAfterARestart()
    {
        SoundServer server;
        QVERIFY(server.Start());
        qputenv("PULSE_SERVER", server.Address().toLocal8Bit());
        QFile file(u"pinpon.wav"_s); // 16-bit mono at 44.1 kHz, as the sink plays
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray cue = file.readAll().mid(44);
        platform::MMControl control; // the system's own player
        const auto playsWhole = [&] {
            const qsizetype from = server.Recording().size();
            platform::PlaySoundCue(control, u"pinpon.wav"_s);
            QTRY_VERIFY_WITH_TIMEOUT(server.Recording().indexOf(cue, from) >= 0, 10000);
        };
        playsWhole();
        // Cues started while one sounds stop it: what follows is the last one alone.
        for (int i = 0; i < 3; ++i) {
            const qsizetype from = server.Recording().size();
            platform::PlaySoundCue(control, u"pinpon.wav"_s);
            QTRY_VERIFY_WITH_TIMEOUT(server.SoundedSince(from), 10000);
        }
        const int clients = server.Clients();
        playsWhole();
        QCOMPARE(server.Clients(), clients); // one connection, whatever the number of cues
        // Stop cuts a cue short: the first whole cue after it is the next one.
        const qsizetype from = server.Recording().size();
        platform::PlaySoundCue(control, u"pinpon.wav"_s);
        QTRY_VERIFY_WITH_TIMEOUT(server.SoundedSince(from), 10000);
        control.SetCommand(u"Stop"_s);
        const qsizetype stopped = server.Recording().size();
        playsWhole();
        QVERIFY(server.Recording().indexOf(cue, from) >= stopped);
        // A server gone: said once; started again: used again.
        server.Kill();
        for (int i = 0; i < 2; ++i)
            platform::PlaySoundCue(control, u"pinpon.wav"_s);
        QTRY_COMPARE(Warnings().size(), 1);
        QVERIFY2(Warnings()[0].contains(u"pinpon.wav cannot be played: "_s),
                 qPrintable(Warnings()[0]));
        QVERIFY(server.Start());
        playsWhole();
        playsWhole();
    }
#endif
    void lookup()
    {
        Log log;
        platform::MMControl control(std::make_unique<LoggingSound>(log));
        platform::PlaySoundCue(control, u"pinpon.wav"_s); // the working directory comes first
        QCOMPARE(log.last(),
                 u"Play "_s + QDir::toNativeSeparators(QDir::current().filePath(u"pinpon.wav"_s)));
        for (const char* word : {"Close", "Sound"}) // a closed control plays nothing
            control.SetCommand(QLatin1String(word));
        QCOMPARE(log.filter(u"Play"_s).size(), 1);
        QTemporaryDir dir;
        QString folders = QCoreApplication::applicationDirPath(); // looked in last
#ifndef Q_OS_WIN
        // Before the executable's folder: the data an installation moved to another prefix keeps.
        folders.prepend(QDir::cleanPath(folders + u"/../share/pi-coins, "_s));
        // A folder that cannot be searched holds nothing; a file that cannot be read is said.
        QVERIFY(QFile::link(u"loop"_s, dir.filePath(u"loop"_s)));
        platform::PlaySoundCue(control, dir.filePath(u"loop/cue.wav"_s));
        QVERIFY2(Warnings().last().contains(u"not found"_s), qPrintable(Warnings().last()));
        // The cue beside the program, in a folder whose name is not valid text.
        const std::filesystem::path odd = (QFile::encodeName(dir.path()) + "/\xff").toStdString();
        std::filesystem::create_directory(odd);
        std::filesystem::copy_file(
            QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
            odd / "tst_sound");
        std::filesystem::copy_file("pinpon.wav", odd / "pinpon.wav");
        std::filesystem::create_directory_symlink(odd, odd.parent_path() / "named");
        QProcess child;
        child.setWorkingDirectory(dir.path()); // no cues here
        child.start(dir.filePath(u"named/tst_sound"_s), {u"--play-bare"_s});
        QVERIFY(child.waitForFinished(20000));
        const QByteArray beside = child.readAllStandardOutput();
        QVERIFY2(beside.startsWith("Play " + QFile::encodeName(dir.path()) + '/') &&
                     beside.endsWith("/pinpon.wav") && !beside.contains("named"),
                 beside.constData());
#endif
        platform::PlaySoundCue(control, u"missing.wav"_s); // names every folder looked in
        QVERIFY2(Warnings().last().contains(QDir::toNativeSeparators(folders) + u';'),
                 qPrintable(Warnings().last()));
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--play-bare") == 0) { // says where the cue was found
        Log log;
        platform::MMControl control(std::make_unique<LoggingSound>(log));
        platform::PlaySoundCue(control, u"pinpon.wav"_s);
        std::fputs(QFile::encodeName(log.filter(u"Play "_s).value(0)).constData(), stdout);
        return 0;
    }
    SoundTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sound.moc"
