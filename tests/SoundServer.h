#pragma once

// A private PulseAudio server whose only sink writes everything it plays
// into a pipe, drained into a file: what the program plays can be read back
// sample by sample. (A null sink's monitor misses the start of a stream
// after a rewind.) It lives in a temporary directory, is killed and started
// again at the same address on request, and is stopped with this object.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <vector>

class SoundServer
{
public:
    static constexpr int kSampleRate = 44100;

    ~SoundServer() { Kill(); }

    QString Address() const { return QStringLiteral("unix:") + Path("native"); }

    bool Start()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        m_server.setProcessEnvironment(env);
        m_server.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                        QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                        QStringLiteral("--disable-shm=yes"), QStringLiteral("--log-level=error"),
                        QStringLiteral("-L"),
                        QStringLiteral("module-pipe-sink rate=44100 channels=1 format=s16le "
                                       "use_system_clock_for_timing=yes file=") +
                            Path("sink.fifo"),
                        QStringLiteral("-L"),
                        QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") +
                            Path("native")});
        m_reader.setStandardOutputFile(Path("sink.raw"), QIODevice::Append);
        // Ready once the sink's pipe exists and a client is answered.
        for (int i = 0; i < 200; ++i) {
            QProcess info;
            QProcessEnvironment client = QProcessEnvironment::systemEnvironment();
            client.insert(QStringLiteral("PULSE_SERVER"), Address());
            info.setProcessEnvironment(client);
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitCode() == 0 &&
                QFile::exists(Path("sink.fifo"))) {
                m_reader.start(QStringLiteral("cat"), {Path("sink.fifo")});
                return m_reader.waitForStarted(5000);
            }
            QTest::qWait(50);
        }
        return false;
    }

    // Ends the server the hard way, as a crash would.
    void Kill()
    {
        for (QProcess* process : {&m_server, &m_reader}) {
            if (process->state() != QProcess::NotRunning) {
                ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
                process->waitForFinished(5000);
            }
        }
    }

    // Everything the sink has played so far, as 16-bit mono samples.
    std::vector<std::int16_t> Samples() const
    {
        QFile file(Path("sink.raw"));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size() / 2));
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

private:
    QString Path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_reader;
};
