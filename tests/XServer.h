#pragma once

// A private X server (Xvfb) on a free display, stopped with this object.
// Xvfb names its display once it accepts connections.

#include <QProcess>

using namespace Qt::StringLiterals;

class XServer
{
public:
    ~XServer() { m_server.kill(), m_server.waitForFinished(5000); }

    bool Start()
    {
        m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s,
                                   u"0"_s, u"1024x768x24"_s});
        while (!m_server.canReadLine() && m_server.waitForReadyRead(10000)) {
        }
        m_display = ":" + m_server.readLine().trimmed();
        return m_display.size() > 1;
    }
    QByteArray Display() const { return m_display; }

private:
    QProcess m_server;
    QByteArray m_display;
};
