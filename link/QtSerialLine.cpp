#include "link/QtSerialLine.h"

#include "link/PortNames.h"
#include "link/TransmitDrain.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>

#include <algorithm>

#ifndef Q_OS_WIN
#include <poll.h>
#endif

namespace lnk {
namespace {

using namespace std::chrono_literals;

// How often a long wait comes up for air (the panel repaints then).
constexpr std::chrono::milliseconds kIdleEvery = 20ms;
// The drain may take twice the line time of what was written, plus this.
constexpr std::chrono::milliseconds kDrainMargin = 1000ms;
// Bounds the loop that moves already-received bytes into the port's buffer.
constexpr int kMaxPullRounds = 64;

QSerialPort::Parity toQt(Parity p)
{
    switch (p) {
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    case Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(StopBits s)
{
    switch (s) {
    case StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case StopBits::Two:
        return QSerialPort::TwoStop;
    case StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

qintptr nativeHandle(const QSerialPort& port)
{
#ifdef Q_OS_WIN
    return reinterpret_cast<qintptr>(port.handle());
#else
    return port.handle();
#endif
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

QtSerialLine::QtSerialLine(const QString& programDir) : m_programDir(programDir) {}

QtSerialLine::~QtSerialLine()
{
    if (m_port) {
        m_port->close();
    }
}

void QtSerialLine::setPort(int portNo)
{
    m_portNo = portNo;
}

void QtSerialLine::setSettings(const QString& settings)
{
    m_settings = settings;
}

bool QtSerialLine::open()
{
    if (m_port) {
        m_port->close();
        m_port.reset();
    }
    m_fault = LineFault::None;
    m_lastError.clear();
    m_bytesWritten = 0;

    m_lineSettings = parseLineSettings(m_settings);
    if (!m_lineSettings) {
        return fail(LineFault::OpenRefused,
                    QStringLiteral("Line settings not understood: \"%1\"").arg(m_settings));
    }
    const QString device = portDevice(m_portNo, m_programDir);
    if (device.isEmpty()) {
        return fail(LineFault::PortMissing,
                    QStringLiteral("No serial device for port number %1").arg(m_portNo));
    }

    auto port = std::make_unique<QSerialPort>();
    port->setPortName(device);
    port->setBaudRate(m_lineSettings->baudRate);
    port->setDataBits(static_cast<QSerialPort::DataBits>(m_lineSettings->dataBits));
    port->setParity(toQt(m_lineSettings->parity));
    port->setStopBits(toQt(m_lineSettings->stopBits));
    if (!port->open(QIODevice::ReadWrite)) {
        const LineFault f =
            port->error() == QSerialPort::DeviceNotFoundError ? LineFault::PortMissing
            : port->error() == QSerialPort::PermissionError   ? LineFault::PortBusy
                                                              : LineFault::OpenRefused;
        return fail(f, QStringLiteral("%1: %2").arg(device, port->errorString()));
    }
    // The device may still hold an answer to an earlier exchange; it must never pass for the
    // reply to this one. A device that cannot flush is still usable.
    port->clear(QSerialPort::Input);
    port->clearError();
    m_port = std::move(port);
    return true;
}

bool QtSerialLine::isOpen() const
{
    return m_port != nullptr;
}

bool QtSerialLine::writeByte(quint8 byte)
{
    if (!m_port) {
        return fail(LineFault::WriteRefused, QStringLiteral("Port is not open"));
    }
    const char c = static_cast<char>(byte);
    if (m_port->write(&c, 1) != 1) {
        return failFromPort(LineFault::WriteRefused);
    }
    ++m_bytesWritten;
    return true;
}

int QtSerialLine::bytesWaiting()
{
    if (!m_port) {
        fail(LineFault::ReadRefused, QStringLiteral("Port is not open"));
        return -1;
    }
    if (!pullInput()) {
        return -1;
    }
    return static_cast<int>(m_port->bytesAvailable());
}

QByteArray QtSerialLine::readAllWaiting()
{
    if (!m_port) {
        fail(LineFault::ReadRefused, QStringLiteral("Port is not open"));
        return {};
    }
    pullInput();
    return m_port->readAll();
}

int QtSerialLine::waitForBytes(int count, std::chrono::milliseconds timeout,
                               const std::function<void()>& idle)
{
    if (!m_port) {
        fail(LineFault::ReadRefused, QStringLiteral("Port is not open"));
        return -1;
    }
    const QDeadlineTimer deadline(std::max(timeout, 0ms));
    QElapsedTimer sinceIdle;
    sinceIdle.start();
    for (;;) {
        if (!pullInput()) {
            return -1;
        }
        const int waiting = static_cast<int>(m_port->bytesAvailable());
        if (waiting >= count || deadline.hasExpired()) {
            return waiting;
        }
        const int slice =
            idle ? std::min<int>(remainingMs(deadline), kIdleEvery.count()) : remainingMs(deadline);
        // Sleeps in poll() until data comes or the slice ends; running out of time is no fault.
        if (!m_port->waitForReadyRead(slice) && portErrorIsFault()) {
            failFromPort(LineFault::ReadRefused);
            return -1;
        }
        m_port->clearError();
        if (idle && sinceIdle.elapsed() >= kIdleEvery.count()) {
            idle();
            sinceIdle.restart();
        }
    }
}

bool QtSerialLine::close()
{
    if (!m_port) {
        return true;
    }
    const bool drained = drain();
    m_port->close();
    m_port.reset();
    return drained;
}

bool QtSerialLine::fail(LineFault fault, const QString& what)
{
    if (m_fault == LineFault::None) {
        m_fault = fault;
        m_lastError = what;
    }
    return false;
}

bool QtSerialLine::failFromPort(LineFault otherwise)
{
    const bool gone = hungUp() || m_port->error() == QSerialPort::ResourceError ||
                      m_port->error() == QSerialPort::DeviceNotFoundError;
    const QString what = m_port->errorString();
    m_port->clearError();
    return fail(gone ? LineFault::DeviceGone : otherwise, what);
}

bool QtSerialLine::portErrorIsFault() const
{
    const QSerialPort::SerialPortError e = m_port->error();
    return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
}

bool QtSerialLine::hungUp() const
{
#ifdef Q_OS_WIN
    return false;
#else
    pollfd pfd{};
    pfd.fd = m_port->handle();
    pfd.events = 0;
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#endif
}

bool QtSerialLine::pullInput()
{
    for (int round = 0; round < kMaxPullRounds && m_port->waitForReadyRead(0); ++round) {
    }
    if (portErrorIsFault()) {
        return failFromPort(LineFault::ReadRefused);
    }
    m_port->clearError();
    return true;
}

bool QtSerialLine::drain()
{
    // Everything written must reach the line before close: Qt restores the old line settings
    // at close, and on Windows close cancels what is still in flight.
    const auto lineTime =
        std::chrono::milliseconds(static_cast<qint64>(m_bytesWritten) *
                                  m_lineSettings->bitsPerByte() * 1000 / m_lineSettings->baudRate);
    const QDeadlineTimer deadline(2 * lineTime + kDrainMargin);

    while (m_port->bytesToWrite() > 0) {
        if (deadline.hasExpired()) {
            m_port->clear(QSerialPort::Output);
            return fail(LineFault::DrainTimeout,
                        QStringLiteral("%1 bytes not sent in time").arg(m_port->bytesToWrite()));
        }
        if (!m_port->waitForBytesWritten(remainingMs(deadline)) && portErrorIsFault()) {
            failFromPort(LineFault::WriteRefused);
            m_port->clear(QSerialPort::Output);
            return false;
        }
        m_port->clearError();
    }
    const auto byteTime = std::chrono::microseconds(1000000LL * m_lineSettings->bitsPerByte() /
                                                    m_lineSettings->baudRate);
    const DrainOutcome d = drainTransmitQueue(
        nativeHandle(*m_port), std::chrono::milliseconds(remainingMs(deadline)), byteTime);
    return d.fault == LineFault::None || fail(d.fault, d.detail);
}

} // namespace lnk
