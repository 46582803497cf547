#pragma once

// A private PulseAudio server whose only sink writes everything it plays
// into a pipe, and a reader that keeps that stream in a file: what the
// program plays can be read back sample by sample. (A null sink's monitor
// would not do: when a stream starts, the sink rewinds, and the monitor
// never sees the rewritten start of the sound.) Nothing system-wide is
// touched; the server lives in a temporary directory and is stopped with
// this object.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <cstring>
#include <vector>

namespace audio_testing {

constexpr int kSampleRate = 44100;

inline bool HaveTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty();
}

class AudioServer
{
public:
    ~AudioServer() { Stop(); }

    bool Start()
    {
        if (!m_dir.isValid())
            return false;
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_socket = m_dir.filePath(QStringLiteral("native"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.remove(QStringLiteral("PULSE_SERVER"));
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
             QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
             QStringLiteral("--disable-shm=yes"), QStringLiteral("--log-target=stderr"),
             QStringLiteral("--log-level=error"), QStringLiteral("-L"),
             QStringLiteral("module-pipe-sink sink_name=cues rate=44100 channels=1 "
                            "format=s16le use_system_clock_for_timing=yes file=") +
                 PipePath(),
             QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + m_socket});
        if (!m_server.waitForStarted(10000))
            return false;
        // Ready once a client can talk to it.
        for (int attempt = 0; attempt < 100; ++attempt) {
            QProcess info;
            info.setProcessEnvironment(ClientEnvironment());
            info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
            if (info.waitForFinished(5000) && info.exitCode() == 0)
                return StartReader();
            QTest::qSleep(50);
        }
        return false;
    }

    void Stop()
    {
        if (m_reader.state() != QProcess::NotRunning) {
            m_reader.kill();
            m_reader.waitForFinished(5000);
        }
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    QString ServerAddress() const { return QStringLiteral("unix:") + m_socket; }

    QProcessEnvironment ClientEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), ServerAddress());
        return env;
    }

    QString Directory() const { return m_dir.path(); }
    QString PipePath() const { return m_dir.filePath(QStringLiteral("sink.fifo")); }
    QString RecordingPath() const { return m_dir.filePath(QStringLiteral("sink.raw")); }

private:
    // Drains the sink's pipe into a file for as long as the server lives.
    bool StartReader()
    {
        m_reader.setStandardOutputFile(RecordingPath());
        m_reader.start(QStringLiteral("cat"), {PipePath()});
        return m_reader.waitForStarted(5000);
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    QProcess m_reader;
};

// What the sink plays from the moment this object is made, as 16-bit mono.
class Recorder
{
public:
    explicit Recorder(const AudioServer& server)
        : m_path(server.RecordingPath()), m_start(QFileInfo(m_path).size() / 2)
    {}

    // Waits until at least `seconds` of sound have been played since.
    bool WaitForLength(double seconds) const
    {
        const auto samples = static_cast<qint64>(seconds * kSampleRate);
        for (int i = 0; i < 500; ++i) {
            if (QFileInfo(m_path).size() / 2 - m_start >= samples)
                return true;
            QTest::qSleep(10);
        }
        return false;
    }

    std::vector<std::int16_t> Samples() const
    {
        QFile file(m_path);
        std::vector<std::int16_t> samples;
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_start * 2))
            return samples;
        const QByteArray bytes = file.readAll();
        samples.resize(static_cast<std::size_t>(bytes.size() / 2));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        return samples;
    }

private:
    QString m_path;
    qint64 m_start;
};

// The samples of a 16-bit mono wave file with a plain 44-byte header.
inline std::vector<std::int16_t> ReadCue(const QString& path)
{
    QFile file(path);
    std::vector<std::int16_t> samples;
    if (!file.open(QIODevice::ReadOnly))
        return samples;
    const QByteArray bytes = file.readAll().mid(44);
    samples.resize(static_cast<std::size_t>(bytes.size() / 2));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

inline std::size_t FirstSound(const std::vector<std::int16_t>& samples, std::size_t from = 0)
{
    for (std::size_t i = from; i < samples.size(); ++i) {
        if (samples[i] != 0)
            return i;
    }
    return samples.size();
}

// Where `pattern` (at least `length` samples of it) next appears in
// `samples` from `from` on, each sample within `tolerance`.
inline std::size_t Find(const std::vector<std::int16_t>& samples,
                        const std::vector<std::int16_t>& pattern, std::size_t length,
                        std::size_t from = 0, int tolerance = 2)
{
    if (pattern.size() < length || samples.size() < length)
        return samples.size();
    for (std::size_t at = from; at + length <= samples.size(); ++at) {
        std::size_t k = 0;
        while (k < length && std::abs(samples[at + k] - pattern[k]) <= tolerance)
            ++k;
        if (k == length)
            return at;
    }
    return samples.size();
}

} // namespace audio_testing
