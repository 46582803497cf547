#pragma once

// The private sound server of scripts/test-servers.sh, whose only sink records what
// it plays, sample by sample. It can be frozen, so that it never answers,
// killed as a crash would, and started again at the same address.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class SoundServer
{
public:
    static constexpr int kSampleRate = 44100; // 16-bit mono samples

    ~SoundServer() { Kill(); }
    QString Address() const { return QStringLiteral("unix:") + Path("native"); }
    bool Start() // ready once it listens, its sink made
    {
        QFile::remove(Path("native"));
        m_server.start(QStringLiteral(PI_COINS_TEST_SERVERS),
                       {QStringLiteral("sound"), m_dir.path()});
        for (int i = 0; i < 500 && !QFile::exists(Path("native")); ++i)
            QTest::qWait(10);
        return QFile::exists(Path("native"));
    }
    void Freeze() { ::kill(pid_t(m_server.processId()), SIGSTOP); }
    void Kill() { m_server.kill(), m_server.waitForFinished(5000); }
    int Clients() const // connected now, the one asking among them
    {
        QProcess pactl;
        pactl.startCommand(QStringLiteral("pactl -s %1 list short clients").arg(Address()));
        return pactl.waitForFinished(10000) ? int(pactl.readAllStandardOutput().count('\n')) : -1;
    }
    QByteArray Recording() const // everything played so far
    {
        QFile file(Path("sink.raw"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool SoundedSince(qsizetype from) const // anything but silence after the first bytes
    {
        const QByteArray after = Recording().mid(from);
        return after.count('\0') < after.size();
    }

private:
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
    QProcess m_server;
};
