#pragma once

// A private PulseAudio server whose only sink plays into a pipe drained into
// a file, read back sample by sample (a null sink's monitor misses the start
// of a stream). It can be frozen, so that it never answers, killed, and
// started again at the same address.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class SoundServer
{
public:
    static constexpr int kSampleRate = 44100;

    ~SoundServer() { Kill(); }

    QString Address() const { return QStringLiteral("unix:") + Path("native"); }

    bool Start()
    {
        QFile::remove(Path("native"));
        m_server.start(QStringLiteral(PI_COINS_TEST_SERVERS),
                       {QStringLiteral("sound"), m_dir.path()});
        // Ready once it listens (its sink and pipe come first).
        for (int i = 0; i < 500 && !QFile::exists(Path("native")); ++i)
            QTest::qWait(10);
        return QFile::exists(Path("native"));
    }
#ifndef Q_OS_WIN
    // From now on the server takes connections and never answers them.
    void Freeze()
    {
        ::kill(pid_t(m_server.processId()), SIGSTOP);
    }
#endif
    // Ends the server the hard way (SIGKILL), as a crash would.
    void Kill()
    {
        m_server.kill(), m_server.waitForFinished(5000);
    }
    // Connected now: the one asking among them.
    int Clients() const
    {
        QProcess pactl;
        pactl.startCommand(QStringLiteral("pactl -s %1 list short clients").arg(Address()));
        return pactl.waitForFinished(10000) ? int(pactl.readAllStandardOutput().count('\n')) : -1;
    }
    // Everything the sink has played so far: 16-bit mono samples at 44.1 kHz.
    QByteArray Recording() const
    {
        QFile file(Path("sink.raw"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QString Path(const char* name) const
    {
        return m_dir.filePath(QLatin1String(name));
    }

    QTemporaryDir m_dir;
    QProcess m_server;
};
