#pragma once

// What the network line tests share: a recorder of a line's signals, the simulated processor
// behind ser2net, and a scripted Telnet server.
#include "Ser2net.h"
#include "link/ComPortOption.h"
#include "link/NetworkLines.h"
#include "sim/Simulator.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace netrig {

using lnk::LineFault;

inline constexpr int kWaitMs = 5000;

inline lnk::NetworkScheme schemeOf(bool rfc2217)
{
    return rfc2217 ? lnk::NetworkScheme::Rfc2217 : lnk::NetworkScheme::Tcp;
}

// Every signal of a line, recorded.
struct Watch
{
    explicit Watch(lnk::Line& l)
        : line(l), opened(&l, &lnk::Line::opened), openFailed(&l, &lnk::Line::openFailed),
          failed(&l, &lnk::Line::failed), closed(&l, &lnk::Line::closed),
          written(&l, &lnk::Line::bytesWritten)
    {}

    // True when the open ends in opened().
    bool open(const lnk::LineSettings& settings)
    {
        line.open(settings);
        return QTest::qWaitFor([&] { return !opened.isEmpty() || !openFailed.isEmpty(); },
                               kWaitMs) &&
               !opened.isEmpty();
    }
    static LineFault fault(const QSignalSpy& spy)
    {
        return spy.isEmpty() ? LineFault::None : spy.first().at(0).value<LineFault>();
    }
    // Closes and waits; the fault closed() reports.
    LineFault close()
    {
        line.close();
        if (!QTest::qWaitFor([&] { return !closed.isEmpty(); }, kWaitMs)) {
            return LineFault::DrainTimeout;
        }
        return fault(closed);
    }
    qint64 dataWritten() const
    {
        qint64 sum = 0;
        for (const QList<QVariant>& args : written) {
            sum += args.at(0).toLongLong();
        }
        return sum;
    }

    lnk::Line& line;
    QSignalSpy opened, openFailed, failed, closed, written;
};

// The simulated processor behind ser2net.
struct Site
{
    bool start()
    {
        if (!simulator.start(&error)) {
            return false;
        }
        server = std::make_unique<Ser2net>(simulator.devicePath());
        return server->start(&error);
    }
    std::unique_ptr<lnk::NetworkLine> line(bool rfc2217) const
    {
        return std::unique_ptr<lnk::NetworkLine>(
            lnk::createNetworkLine(server->address(schemeOf(rfc2217))));
    }

    sim::Simulator simulator;
    std::unique_ptr<Ser2net> server;
    QString error;
};

// A scripted Telnet server: greets each client, and gives its answers only once it has heard
// the send settings requested twice (it ignored them before its DO), or never when it has none.
class TelnetServer : public QTcpServer
{
public:
    TelnetServer(const QHostAddress& loopback, const QByteArray& greeting,
                 const QByteArray& answers = {})
    {
        listen(loopback, 0);
        connect(this, &QTcpServer::newConnection, this, [this, greeting, answers] {
            QTcpSocket* s = nextPendingConnection();
            s->write(greeting);
            connect(s, &QTcpSocket::readyRead, s, [this, s, answers] {
                m_heard += s->readAll();
                if (m_heard.count(lnk::rfc2217::requestsFor(lnk::kSendSettings)) == 2) {
                    s->write(answers);
                }
            });
        });
    }
    lnk::NetworkAddress address(const QString& host) const
    {
        return {lnk::NetworkScheme::Rfc2217, host, serverPort()};
    }

private:
    QByteArray m_heard;
};

} // namespace netrig
