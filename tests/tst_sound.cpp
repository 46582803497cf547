// The cue player: what it accepts, where it looks, what it plays, and that
// no sound server, however it behaves, holds up the window. The last tests
// play for real on a private PulseAudio server and read the sound back.

#include "Doubles.h"
#include "SoundServer.h"
#include "platform/CueFiles.h"
#include "platform/MMControl.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QStringList g_warnings;

void Keep(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_warnings << message;
}

QByteArray Le(quint32 value, int bytes = 4)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xff);
    return out;
}

QByteArray Chunk(const char* id, const QByteArray& body)
{
    return QByteArray(id, 4) + Le(quint32(body.size())) + body;
}

QByteArray Fmt(int channels = 1, quint32 rate = 44100, int bits = 16, int tag = 1, int extra = 0)
{
    const int frame = channels * bits / 8;
    return Chunk("fmt ", Le(tag, 2) + Le(channels, 2) + Le(rate) + Le(rate * frame) + Le(frame, 2) +
                             Le(bits, 2) + QByteArray(extra, '\0'));
}

QByteArray Data(int bytes)
{
    return Chunk("data", QByteArray(bytes, '\x10'));
}

QByteArray Wave(const QByteArray& chunks)
{
    return "RIFF" + Le(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

QByteArray ReadAll(int fd)
{
    QByteArray bytes(1 << 20, '\0');
    return bytes.left(qMax<ssize_t>(0, pread(fd, bytes.data(), bytes.size(), 0)));
}

// The samples of a 16-bit mono cue with a plain 44-byte header.
std::vector<std::int16_t> CueSamples(const char* name)
{
    QFile file{QLatin1String(name)};
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll().mid(44) : QByteArray();
    std::vector<std::int16_t> samples(std::size_t(bytes.size() / 2));
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

// Where the whole cue lies in `samples` after `from`, each sample within 2,
// aligned on the first sound heard there.
std::size_t Find(const std::vector<std::int16_t>& samples, const std::vector<std::int16_t>& cue,
                 std::size_t from)
{
    const auto nonZero = [](std::int16_t s) { return s != 0; };
    const auto lead = std::size_t(std::find_if(cue.begin(), cue.end(), nonZero) - cue.begin());
    const auto heard = std::size_t(
        std::find_if(samples.begin() + std::ptrdiff_t(from), samples.end(), nonZero) - samples.begin());
    const std::size_t at = heard - std::min(heard, lead);
    if (heard == samples.size() || at + cue.size() > samples.size())
        return samples.size();
    for (std::size_t k = 0; k < cue.size(); ++k) {
        if (std::abs(samples[at + k] - cue[k]) > 2)
            return samples.size();
    }
    return at;
}

} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        g_warnings.clear();
        qInstallMessageHandler(Keep);
    }
    void cleanup() { qInstallMessageHandler(nullptr); }
    void filesPlayExactlyWhenThePlayerCan_data();
    void filesPlayExactlyWhenThePlayerCan();
    void lookupStartsInTheWorkingDirectoryByItsBytes();
    void theOpenedFileIsTheOnePlayed();
    void aServerThatNeverAnswersHoldsNothingUp();
    void cuesPlaySampleForSampleStopCutsThemAndARestartedServerIsUsedAgain();

private:
    SoundServer m_server;
};

void SoundTest::filesPlayExactlyWhenThePlayerCan_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("problem"); // empty: it plays
    QTest::newRow("16-bit mono") << Wave(Fmt() + Data(100)) << QString();
    QTest::newRow("8-bit stereo, 18-byte format")
        << Wave(Fmt(2, 22050, 8, 1, 2) + Data(100)) << QString();
    QTest::newRow("70 KB of JUNK first")
        << Wave(Chunk("JUNK", QByteArray(70000, 'j')) + Fmt() + Data(100)) << QString();
    QTest::newRow("two formats: the first counts")
        << Wave(Fmt() + Fmt(1, 44100, 24) + Data(100)) << QString();
    QTest::newRow("empty") << QByteArray() << QStringLiteral("is empty");
    QTest::newRow("text") << QByteArray("pinpon\n") << QStringLiteral("is not a wave file");
    QTest::newRow("header cut short")
        << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << QStringLiteral("has no \"fmt\" chunk");
    QTest::newRow("no format") << Wave(Data(100)) << QStringLiteral("has no \"fmt\" chunk");
    QTest::newRow("odd LIST before the data")
        << Wave(Fmt() + Chunk("LIST", "abc") + '\0' + Data(100))
        << QStringLiteral("has no \"data\" chunk");
    QTest::newRow("odd LIST before the format")
        << Wave(Chunk("LIST", "abc") + '\0' + Fmt() + Data(100))
        << QStringLiteral("has no \"fmt\" chunk");
    QTest::newRow("claims more than it holds")
        << Wave(Fmt() + "data" + Le(1000) + QByteArray(10, 'x'))
        << QStringLiteral("claims 1000 bytes of sound but holds 10");
    QTest::newRow("64 MiB of sound")
        << Wave(Fmt() + "data" + Le(64u << 20)) << QStringLiteral("has a chunk of");
    QTest::newRow("partial frame") << Wave(Fmt(2) + Data(102)) << QStringLiteral("partial frame");
    QTest::newRow("24-bit") << Wave(Fmt(1, 44100, 24) + Data(99))
                            << QStringLiteral("unsupported format (24-bit PCM)");
    QTest::newRow("float") << Wave(Fmt(1, 44100, 16, 3) + Data(100))
                           << QStringLiteral("is not integer PCM");
    QTest::newRow("7 channels") << Wave(Fmt(7) + Data(140)) << QStringLiteral("has 7 channels");
    QTest::newRow("1 MHz") << Wave(Fmt(1, 1'000'000) + Data(100))
                           << QStringLiteral("sample rate of 1000000 Hz");
    QTest::newRow("4 GHz") << Wave(Fmt(1, 4'000'000'000u) + Data(100))
                           << QStringLiteral("sample rate of 4000000000 Hz");
}

void SoundTest::filesPlayExactlyWhenThePlayerCan()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cue.wav"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    Log log;
    platform::MMControl control(std::make_unique<LoggingSoundBackend>(log));
    platform::PlaySoundCue(control, path);
    platform::PlaySoundCue(control, path);
    if (problem.isEmpty()) {
        QCOMPARE(log.count(QStringLiteral("Play ") + path), 2);
        QCOMPARE(g_warnings, QStringList());
    } else {
        QCOMPARE(log, QStringList(2, QStringLiteral("Stop")));
        QCOMPARE(g_warnings.size(), 1); // once, not at every cue
        QVERIFY2(g_warnings[0].contains(path) && g_warnings[0].contains(problem),
                 qPrintable(g_warnings[0]));
    }
}

void SoundTest::lookupStartsInTheWorkingDirectoryByItsBytes()
{
    Log log;
    platform::MMControl control(std::make_unique<LoggingSoundBackend>(log));
    platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    QCOMPARE(log.last(),
             QStringLiteral("Play ") + QDir::current().filePath(QStringLiteral("pinpon.wav")));

    platform::PlaySoundCue(control, QStringLiteral("missing.wav"));
    QCOMPARE(g_warnings.size(), 1);
    QVERIFY(g_warnings[0].startsWith(QStringLiteral("sound cue \"missing.wav\" not found in ") +
                                     QDir::currentPath()));

    // A working directory whose name is not valid text.
    QTemporaryDir dir;
    const QByteArray odd = QFile::encodeName(dir.path()) + "/\xff\xfe";
    const QByteArray cue = Wave(Fmt(1, 8000) + Data(64));
    QVERIFY(::mkdir(odd.constData(), 0700) == 0);
    const int fd = ::open((odd + "/pinpon.wav").constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0 && ::write(fd, cue.constData(), cue.size()) == cue.size());
    ::close(fd);
    const int here = ::open(".", O_RDONLY);
    QVERIFY(::chdir(odd.constData()) == 0);
    platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    QVERIFY(::fchdir(here) == 0);
    ::close(here);
    QVERIFY(log.last().startsWith(QStringLiteral("Play ")));
    QVERIFY(!log.last().endsWith(QDir::current().filePath(QStringLiteral("pinpon.wav"))));
}

void SoundTest::theOpenedFileIsTheOnePlayed()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cue.wav"));
    const QByteArray bytes = Wave(Fmt() + Data(100));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    Log log;
    auto backend = std::make_unique<LoggingSoundBackend>(log);
    LoggingSoundBackend* played = backend.get();
    platform::MMControl control(std::move(backend));
    control.SetFileName(path);
    control.SetCommand(QStringLiteral("Open"));
    // Swapped for a named pipe between checking and playing.
    QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    control.SetCommand(QStringLiteral("Sound"));
    QVERIFY(played->played);
    QCOMPARE(ReadAll(played->played->Descriptor()), bytes);
    // The pipe itself is refused at once, not waited on.
    platform::PlaySoundCue(control, path);
    QCOMPARE(g_warnings.size(), 1);
    QVERIFY(g_warnings[0].contains(QStringLiteral("is not a regular file")));
}

void SoundTest::aServerThatNeverAnswersHoldsNothingUp()
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("silent")));
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    QVERIFY(::listen(listener, 8) == 0);
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + path);
    int connection = -1;
    const auto stillWaiting = [&] {
        char byte;
        return ::recv(connection, &byte, 1, MSG_PEEK | MSG_DONTWAIT) != 0;
    };
    {
        platform::MMControl control; // the real player
        platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
        QTRY_VERIFY(connection >= 0 || (connection = ::accept(listener, nullptr, nullptr)) >= 0);
        // The cue returned while the server still had not answered ...
        QVERIFY(stillWaiting());
    }
    // ... and the player's end did not wait for it either.
    QVERIFY(stillWaiting());
    qputenv("PULSE_SERVER", previous);
    ::close(connection);
    ::close(listener);
}

void SoundTest::cuesPlaySampleForSampleStopCutsThemAndARestartedServerIsUsedAgain()
{
    QVERIFY(m_server.Start());
    qputenv("PULSE_SERVER", m_server.Address().toLocal8Bit());
    const auto cue = CueSamples("pinpon.wav");
    platform::MMControl control;
    const auto playsWhole = [&] {
        const std::size_t from = m_server.Samples().size();
        platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
        QTRY_VERIFY_WITH_TIMEOUT(Find(m_server.Samples(), cue, from) < m_server.Samples().size(),
                                 10000);
    };
    playsWhole();

    std::size_t from = m_server.Samples().size();
    const auto heard = [&] {
        const auto samples = m_server.Samples();
        return std::find_if(samples.begin() + std::ptrdiff_t(from), samples.end(),
                            [](auto s) { return s != 0; }) -
               samples.begin();
    };
    platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    QTRY_VERIFY_WITH_TIMEOUT(std::size_t(heard()) < m_server.Samples().size(), 10000);
    control.SetCommand(QStringLiteral("Stop"));
    // Long enough for the whole cue, had it gone on: none of its end is heard.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.Samples().size() > from + 2 * cue.size(), 10000);
    from += cue.size();
    QCOMPARE(std::size_t(heard()), m_server.Samples().size());

    m_server.Kill();
    QVERIFY(m_server.Start());
    playsWhole();
}

QTEST_GUILESS_MAIN(SoundTest)
#include "tst_sound.moc"
