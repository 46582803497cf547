// The sound cue layer: the five writes of a cue, the command words, where a
// bare file name is looked for, and every kind of bad file being survived
// silently with one concise line.

#include "CueFiles.h"
#include "MMControl.h"
#include "TestDoubles.h"
#include "WaveFile.h"
#include "WaveFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using platform::MMControl;
using testing_doubles::EventLog;
using testing_doubles::MakeLog;
using testing_doubles::RecordingSoundBackend;
using namespace wave_files;

namespace {

QStringList g_messages;

void CollectMessages(QtMsgType, const QMessageLogContext&, const QString& message)
{
    g_messages.append(message);
}

} // namespace

class SoundTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cueMakesTheFiveWritesInOrder();
    void commandWords_data();
    void commandWords();
    void lookupPrefersTheWorkingDirectory();
    void badFilesAreSilent_data();
    void badFilesAreSilent();
    void goodFormatsAreAccepted_data();
    void goodFormatsAreAccepted();
    void hugeFileIsOpenedFromItsHeader();
    void failedStartIsReportedOnce();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    EventLog m_log;
};

void SoundTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_previousDir = QDir::currentPath();
}

void SoundTest::init()
{
    m_log = MakeLog();
    g_messages.clear();
    qInstallMessageHandler(CollectMessages);
    QVERIFY(QDir::setCurrent(m_dir.path()));
}

void SoundTest::cleanup()
{
    qInstallMessageHandler(nullptr);
    QDir::setCurrent(m_previousDir);
    QDir dir(m_dir.path());
    for (const QString& entry :
         dir.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System | QDir::Hidden)) {
        QFile::setPermissions(dir.filePath(entry),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(dir.filePath(entry)).removeRecursively();
        QFile::remove(dir.filePath(entry));
    }
}

void SoundTest::cueMakesTheFiveWritesInOrder()
{
    QVERIFY(WriteFile(QStringLiteral("pinpon.wav"), Wave(1, 1, 16, 4410)));
    MMControl control(std::make_unique<RecordingSoundBackend>(m_log));
    QVERIFY(control.FileName().isEmpty());

    platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    const QString path = QDir(m_dir.path()).filePath(QStringLiteral("pinpon.wav"));
    QCOMPARE(*m_log, QStringList({QStringLiteral("Stop"), QStringLiteral("Start ") + path}));
    QCOMPARE(control.FileName(), QStringLiteral("pinpon.wav"));
    QCOMPARE(control.Command(), QStringLiteral("Sound"));

    // A second cue stops the first before its own file is opened, and
    // plays from the beginning again.
    platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    QCOMPARE(m_log->size(), 4);
    QCOMPARE(m_log->at(2), QStringLiteral("Stop"));
    QCOMPARE(m_log->at(3), QStringLiteral("Start ") + path);
    QVERIFY(g_messages.isEmpty());
}

void SoundTest::commandWords_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("calls");
    const QString start = QStringLiteral("Start ") + QDir::currentPath() + QStringLiteral("/c.wav");
    QTest::newRow("unknown words are ignored")
        << QStringList{QStringLiteral("Play"), QStringLiteral("Eject"), QString()} << QStringList{};
    QTest::newRow("sound before open") << QStringList{QStringLiteral("Sound")} << QStringList{};
    QTest::newRow("stop alone") << QStringList{QStringLiteral("Stop")}
                                << QStringList{QStringLiteral("Stop")};
    QTest::newRow("close forgets the file")
        << QStringList{QStringLiteral("Open"), QStringLiteral("Close"), QStringLiteral("Sound")}
        << QStringList{};
    QTest::newRow("words in any case")
        << QStringList{QStringLiteral("open"), QStringLiteral("SOUND")}
        << QStringList{QStringLiteral("Start %1/c.wav")};
}

void SoundTest::commandWords()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, calls);
    QVERIFY(WriteFile(QStringLiteral("c.wav"), Wave(1, 2, 16, 100)));
    MMControl control(std::make_unique<RecordingSoundBackend>(m_log));
    control.setProperty("FileName", QStringLiteral("c.wav")); // as a property write
    for (const QString& word : words)
        control.setProperty("Command", word);
    for (QString& call : calls)
        call = call.arg(QDir::currentPath());
    QCOMPARE(*m_log, calls);
}

void SoundTest::lookupPrefersTheWorkingDirectory()
{
    QVERIFY(WriteFile(QStringLiteral("endpinpon.wav"), Wave(1, 1, 16, 10)));
    QCOMPARE(platform::LocateCueFile(QStringLiteral("endpinpon.wav")),
             QDir(m_dir.path()).filePath(QStringLiteral("endpinpon.wav")));
}

void SoundTest::badFilesAreSilent_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << "missing"
                             << "not found";
    QTest::newRow("zero bytes") << "empty"
                                << "is empty";
    QTest::newRow("truncated header") << "truncated"
                                      << "truncated header";
    QTest::newRow("claims more data") << "short-data"
                                      << "claims 88200 bytes of sound but holds";
    QTest::newRow("text renamed") << "text"
                                  << "is not a wave file";
    QTest::newRow("directory") << "directory"
                               << "is a directory";
    QTest::newRow("named pipe") << "fifo"
                                << "is not a regular file";
    QTest::newRow("unreadable") << "unreadable"
                                << "cannot be read";
    QTest::newRow("24-bit") << "pcm24"
                            << "unsupported format (24-bit PCM, 2 channels)";
    QTest::newRow("32-bit float") << "float32"
                                  << "unsupported format (32-bit float, 2 channels)";
    QTest::newRow("extensible float") << "ext-float"
                                      << "unsupported format (32-bit float, 2 channels)";
    QTest::newRow("no format chunk") << "no-fmt"
                                     << "has no format before its sound data";
    QTest::newRow("nine channels") << "channels9"
                                   << "invalid format header";
}

void SoundTest::badFilesAreSilent()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    const QString name = QStringLiteral("pinpon.wav");
    if (kind == QLatin1String("empty")) {
        QVERIFY(WriteFile(name, {}));
    } else if (kind == QLatin1String("truncated")) {
        QVERIFY(WriteFile(name, Wave(1, 1, 16, 100).left(30)));
    } else if (kind == QLatin1String("short-data")) {
        QVERIFY(WriteFile(name, Wave(1, 1, 16, 100, 88200 - 200)));
    } else if (kind == QLatin1String("text")) {
        QVERIFY(WriteFile(name, "These are not the sounds you are looking for.\n"));
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkdir(name));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(name.toLocal8Bit().constData(), 0600), 0);
    } else if (kind == QLatin1String("unreadable")) {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(WriteFile(name, Wave(1, 1, 16, 100)));
        QVERIFY(QFile::setPermissions(name, QFile::WriteOwner));
    } else if (kind == QLatin1String("pcm24")) {
        QVERIFY(WriteFile(name, Wave(1, 2, 24, 100)));
    } else if (kind == QLatin1String("float32")) {
        QVERIFY(WriteFile(name, Wave(3, 2, 32, 100)));
    } else if (kind == QLatin1String("ext-float")) {
        QVERIFY(WriteFile(name, ExtensibleWave(3, 2, 32, 100)));
    } else if (kind == QLatin1String("no-fmt")) {
        QVERIFY(WriteFile(name, "RIFF" + Le32(12) + "WAVEdata" + Le32(0)));
    } else if (kind == QLatin1String("channels9")) {
        QVERIFY(WriteFile(name, Wave(1, 9, 16, 10)));
    }

    MMControl control(std::make_unique<RecordingSoundBackend>(m_log));
    platform::PlaySoundCue(control, name);
    platform::PlaySoundCue(control, name); // the problem is told only once
    QCOMPARE(*m_log, QStringList({QStringLiteral("Stop"), QStringLiteral("Stop")}));
    QCOMPARE(g_messages.size(), 1);
    QVERIFY2(g_messages.first().contains(problem), qPrintable(g_messages.first()));
    QVERIFY(g_messages.first().contains(name));
    QVERIFY(!g_messages.first().contains(QLatin1Char('\n')));
}

void SoundTest::goodFormatsAreAccepted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("16-bit mono") << Wave(1, 1, 16, 4410);
    QTest::newRow("16-bit stereo") << Wave(1, 2, 16, 4410);
    QTest::newRow("8-bit mono") << Wave(1, 1, 8, 4410);
    QTest::newRow("16-bit six channels") << Wave(1, 6, 16, 441);
    QTest::newRow("extensible PCM") << ExtensibleWave(1, 2, 16, 441);
    QTest::newRow("no sound at all") << Wave(1, 1, 16, 0);
}

void SoundTest::goodFormatsAreAccepted()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(WriteFile(QStringLiteral("good.wav"), bytes));
    const platform::WaveFileInfo info = platform::CheckWaveFile(QStringLiteral("good.wav"));
    QVERIFY2(info.playable, qPrintable(info.problem));
}

void SoundTest::hugeFileIsOpenedFromItsHeader()
{
    // 100 MB of sound: only the header is read, so it opens like any other.
    const QString name = QStringLiteral("huge.wav");
    QByteArray header = Wave(1, 2, 16, 0);
    const quint32 dataBytes = 100u * 1000u * 1000u;
    header.replace(header.size() - 4, 4, Le32(dataBytes));
    header.replace(4, 4, Le32(static_cast<quint32>(header.size()) - 8 + dataBytes));
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(header), header.size());
        QVERIFY(file.resize(header.size() + dataBytes)); // sparse: costs no disk
    }
    const platform::WaveFileInfo info = platform::CheckWaveFile(name);
    QVERIFY2(info.playable, qPrintable(info.problem));
    QCOMPARE(info.dataBytes, qint64(dataBytes));
}

void SoundTest::failedStartIsReportedOnce()
{
    QVERIFY(WriteFile(QStringLiteral("pinpon.wav"), Wave(1, 1, 16, 4410)));
    auto backend = std::make_unique<RecordingSoundBackend>(m_log);
    backend->startSucceeds = false;
    MMControl control(std::move(backend));
    for (int i = 0; i < 3; ++i)
        platform::PlaySoundCue(control, QStringLiteral("pinpon.wav"));
    QCOMPARE(m_log->count(QStringLiteral("Stop")), 3);
    QCOMPARE(g_messages.size(), 1);
    QVERIFY(g_messages.first().contains(QStringLiteral("no sound server")));
}

QTEST_GUILESS_MAIN(SoundTest)
#include "tst_sound.moc"
