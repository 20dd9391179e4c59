#pragma once

// A plain POSIX serial client for the simulator's device, as a panel would open it.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

class SimClient
{
public:
    explicit SimClient(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) {
            return;
        }
        termios t{};
        tcgetattr(m_fd, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, B1200);
        cfsetospeed(&t, B1200);
        tcsetattr(m_fd, TCSANOW, &t);
        tcflush(m_fd, TCIFLUSH);
    }
    ~SimClient() { close(); }
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // As a serial client sets its line; the simulator reads the settings off its own end.
    bool setStopBits(int stopBits)
    {
        termios t{};
        if (tcgetattr(m_fd, &t) != 0) {
            return false;
        }
        t.c_cflag = stopBits == 2 ? (t.c_cflag | CSTOPB) : (t.c_cflag & ~CSTOPB);
        return tcsetattr(m_fd, TCSANOW, &t) == 0;
    }
    void close()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool send(const QByteArray& bytes)
    {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    struct Received
    {
        QByteArray bytes;
        qint64 firstMs = -1; // arrival of the first and last byte, from the clock passed in
        qint64 lastMs = -1;
        bool hangup = false; // the device went away
    };

    // Reads until `count` bytes arrived, the line hung up, or the clock reads `untilMs`.
    Received receive(int count, const QElapsedTimer& clock, qint64 untilMs)
    {
        Received r;
        while (r.bytes.size() < count && clock.elapsed() < untilMs) {
            pollfd p{m_fd, POLLIN, 0};
            const int left = static_cast<int>(untilMs - clock.elapsed());
            if (::poll(&p, 1, qMax(left, 0)) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                r.hangup = (p.revents & (POLLHUP | POLLERR)) != 0 || n == 0;
                if (r.hangup) {
                    break;
                }
                continue;
            }
            if (r.firstMs < 0) {
                r.firstMs = clock.elapsed();
            }
            r.lastMs = clock.elapsed();
            r.bytes.append(buffer, n);
        }
        return r;
    }

private:
    int m_fd = -1;
};
