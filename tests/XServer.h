#pragma once

// A private X server (Xvfb) on the first free display number, stopped with
// this object. Ready once its socket accepts connections.

#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class XServer
{
public:
    ~XServer()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    bool Start()
    {
        for (int n = 90; n < 190 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_server.start(QStringLiteral("Xvfb"),
                           {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1024x768x24"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            for (int i = 0; i < 500 && m_server.state() != QProcess::NotRunning; ++i) {
                if (Accepts(n)) {
                    m_display = ":" + QByteArray::number(n);
                    break;
                }
                QTest::qSleep(10);
            }
        }
        return !m_display.isEmpty();
    }

    QByteArray Display() const { return m_display; }

private:
    static bool Accepts(int n)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", n);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    QProcess m_server;
    QByteArray m_display;
};
