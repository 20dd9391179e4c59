#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A bare pseudo-terminal for testing the serial layer without a simulator: the test plays the
// device on the master side. A guard descriptor keeps the serial end alive between opens.
class RawPty
{
public:
    RawPty()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return;
        }
        m_device = QString::fromLocal8Bit(ptsname(m_master));
        m_guard = ::open(QFile::encodeName(m_device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        if (m_guard >= 0 && tcgetattr(m_guard, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(m_guard, TCSANOW, &t);
        }
    }
    ~RawPty() { hangUp(); }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    bool isOpen() const { return m_master >= 0 && m_guard >= 0; }
    QString device() const { return m_device; }
    int guard() const { return m_guard; }

    // Makes <dir>/ports/COM<n> point at the device.
    bool linkAs(const QString& dir, int portNo) const
    {
        QDir(dir).mkpath(QStringLiteral("ports"));
        return QFile::link(m_device, QDir(dir).filePath(QStringLiteral("ports/COM%1").arg(portNo)));
    }

    // Bytes for the client to read.
    bool send(const QByteArray& bytes) const
    {
        return ::write(m_master, bytes.constData(), static_cast<size_t>(bytes.size())) ==
               bytes.size();
    }

    // Everything the client wrote that arrives within the timeout, stopping early at `count`.
    QByteArray receive(int count, std::chrono::milliseconds timeout) const
    {
        QByteArray got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN) != 0) {
                char buf[256];
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                if (n > 0) {
                    got.append(buf, static_cast<qsizetype>(n));
                }
            }
        }
        return got;
    }

    // The device goes away, as an unplugged adapter does.
    void hangUp()
    {
        if (m_guard >= 0) {
            ::close(m_guard);
            m_guard = -1;
        }
        if (m_master >= 0) {
            ::close(m_master);
            m_master = -1;
        }
    }

private:
    int m_master = -1;
    int m_guard = -1;
    QString m_device;
};
