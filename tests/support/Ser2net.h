#pragma once

#include "link/NetworkAddress.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

// A real network serial server for the network line tests: Debian's ser2net (4.x) on
// 127.0.0.1, bridging one raw TCP port and one Telnet port with the COM port option to a
// serial device (a pseudo-terminal). Started with a generated configuration, stopped and
// waited for when the object goes.
class Ser2net
{
public:
    static constexpr auto kStartTimeout = std::chrono::seconds(5);
    static constexpr auto kStopTimeout = std::chrono::seconds(2);
    static constexpr int kAttempts = 3;

    // Empty when ser2net is not installed.
    static QString program()
    {
        return QStandardPaths::findExecutable(
            QStringLiteral("ser2net"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin")});
    }

    // serialDefaults: what the serial side is set to before a client sets anything, in
    // ser2net's words ("9600n81": speed, parity, data bits, stop bits).
    explicit Ser2net(const QString& device,
                     const QString& serialDefaults = QStringLiteral("1200n82"))
        : m_device(device), m_defaults(serialDefaults)
    {}
    ~Ser2net() { stop(); }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Another program may take a free port before ser2net does: a few tries, each on new ports.
    bool start(QString* error)
    {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            if (startOnce(error)) {
                return true;
            }
        }
        return false;
    }

    // Ends it the ordinary way.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning) {
            return;
        }
        m_process.terminate();
        if (!m_process.waitForFinished(int(kStopTimeout.count() * 1000))) {
            kill();
        }
    }

    // Ends it at once, as a server that loses power.
    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(int(kStopTimeout.count() * 1000));
        }
    }

    lnk::NetworkAddress address(lnk::NetworkScheme scheme) const
    {
        return {scheme, QStringLiteral("127.0.0.1"),
                scheme == lnk::NetworkScheme::Tcp ? m_rawPort : m_rfc2217Port};
    }

    QString configuration() const
    {
        const QString connector = QStringLiteral("serialdev,%1,%2,local").arg(m_device, m_defaults);
        return QStringLiteral("%YAML 1.1\n"
                              "---\n"
                              "connection: &raw\n"
                              "    accepter: tcp,127.0.0.1,%1\n"
                              "    connector: %3\n"
                              "connection: &rfc2217\n"
                              "    accepter: telnet(rfc2217),tcp,127.0.0.1,%2\n"
                              "    connector: %3\n")
            .arg(m_rawPort)
            .arg(m_rfc2217Port)
            .arg(connector);
    }

    // A loopback port nobody listens on (for the moment).
    static quint16 freeLoopbackPort()
    {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
    }

private:
    bool startOnce(QString* error)
    {
        m_rawPort = freeLoopbackPort();
        m_rfc2217Port = freeLoopbackPort();
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile f(config);
        if (m_rawPort == 0 || m_rfc2217Port == 0 || !f.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("no loopback port or configuration file");
            return false;
        }
        f.write(configuration().toUtf8());
        f.close();

        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // -d: foreground, log to standard output; -u: no UUCP lock files.
        m_process.start(program(),
                        {QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-c"), config});
        if (!m_process.waitForStarted()) {
            *error = QStringLiteral("ser2net did not start: %1").arg(m_process.errorString());
            return false;
        }
        const auto end = std::chrono::steady_clock::now() + kStartTimeout;
        while (!(listening(m_rawPort) && listening(m_rfc2217Port))) {
            if (m_process.state() != QProcess::Running || std::chrono::steady_clock::now() > end) {
                m_process.waitForReadyRead(0);
                *error = QStringLiteral("ser2net is not listening: %1")
                             .arg(QString::fromLocal8Bit(m_process.readAll()));
                stop();
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // Watches the system's socket table, so that waiting opens no connection to the server.
    static bool listening(quint16 port)
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QByteArray local =
            QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper().toLatin1();
        const QList<QByteArray> lines = table.readAll().split('\n');
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") {
                return true;
            }
        }
        return false;
    }

    QString m_device;
    QString m_defaults;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_rawPort = 0;
    quint16 m_rfc2217Port = 0;
};

// In a test function: skips the test, saying why, where ser2net is not installed.
#define ORVEX_SKIP_WITHOUT_SER2NET()                                                               \
    if (Ser2net::program().isEmpty()) {                                                            \
        QSKIP("ser2net is not installed (Debian package ser2net)");                                \
    }
