#include "link/SerialPortLine.h"

#include "link/HangUp.h"
#include "link/TransmitDrain.h"

#include <QSerialPort>

namespace lnk {
namespace {

using namespace std::chrono_literals;

// The drain may take twice the line time of what was written, plus this.
constexpr std::chrono::milliseconds kDrainMargin = 1000ms;

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

bool isFault(QSerialPort::SerialPortError e)
{
    return e != QSerialPort::NoError && e != QSerialPort::TimeoutError;
}

LineFault openFault(QSerialPort::SerialPortError e)
{
    switch (e) {
    case QSerialPort::DeviceNotFoundError:
        return LineFault::PortMissing;
    case QSerialPort::PermissionError:
        return LineFault::PortBusy;
    default:
        return LineFault::OpenRefused;
    }
}

} // namespace

SerialPortLine::SerialPortLine(const QString& device, QObject* parent)
    : Line(parent), m_device(device)
{
    m_drainDeadline.setSingleShot(true);
    connect(&m_drainDeadline, &QTimer::timeout, this, &SerialPortLine::onDrainDeadline);
}

SerialPortLine::~SerialPortLine()
{
    release();
}

void SerialPortLine::open(const LineSettings& settings)
{
    release();
    m_settings = settings;
    m_bytesWritten = 0;

    auto* port = new QSerialPort(this);
    port->setPortName(m_device);
    port->setBaudRate(settings.baudRate);
    port->setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    port->setParity(toQt(settings.parity));
    port->setStopBits(toQt(settings.stopBits));
    if (!port->open(QIODevice::ReadWrite)) {
        const LineFault fault = openFault(port->error());
        const QString detail = QStringLiteral("%1: %2").arg(m_device, port->errorString());
        delete port;
        // Reported from the event loop, as every other kind of line does.
        QTimer::singleShot(0, this, [this, fault, detail] { Q_EMIT openFailed(fault, detail); });
        return;
    }
    // The device may still hold an answer to an earlier exchange; it must never pass for the
    // reply to this one. A device that cannot flush is still usable.
    port->clear(QSerialPort::Input);
    port->readAll();
    port->clearError();
    m_port = port;
    connect(port, &QSerialPort::readyRead, this, &Line::received);
    connect(port, &QSerialPort::bytesWritten, this, &SerialPortLine::onBytesWritten);
    connect(port, &QSerialPort::errorOccurred, this, &SerialPortLine::onError);
    QTimer::singleShot(0, this, [this] {
        if (m_port != nullptr) {
            Q_EMIT opened();
        }
    });
}

void SerialPortLine::write(const QByteArray& bytes)
{
    if (m_port == nullptr || m_closing) {
        return;
    }
    if (m_port->write(bytes) != bytes.size()) {
        fail(LineFault::WriteRefused, m_port->errorString());
        return;
    }
    m_bytesWritten += bytes.size();
}

qint64 SerialPortLine::bytesAvailable() const
{
    return m_port != nullptr ? m_port->bytesAvailable() : 0;
}

QByteArray SerialPortLine::readAll()
{
    return m_port != nullptr ? m_port->readAll() : QByteArray();
}

void SerialPortLine::close()
{
    if (m_port == nullptr) {
        QTimer::singleShot(0, this, [this] { Q_EMIT closed(LineFault::None, {}); });
        return;
    }
    if (m_closing) {
        return;
    }
    m_closing = true;
    m_drainDeadline.start(2 * m_settings.lineTime(m_bytesWritten) + kDrainMargin);
    if (m_port->bytesToWrite() == 0) {
        startSystemDrain();
    }
}

void SerialPortLine::abort()
{
    release();
}

void SerialPortLine::onBytesWritten(qint64 count)
{
    Q_EMIT bytesWritten(count);
    if (m_closing && m_port != nullptr && m_port->bytesToWrite() == 0 && m_drain == nullptr) {
        startSystemDrain();
    }
}

void SerialPortLine::startSystemDrain()
{
    m_drain = new TransmitDrain(nativeHandle(*m_port), this);
    connect(m_drain, &TransmitDrain::finished, this, &SerialPortLine::finishClose);
    m_drain->start();
}

void SerialPortLine::onDrainDeadline()
{
    const qint64 left = m_port != nullptr ? m_port->bytesToWrite() : 0;
    finishClose(LineFault::DrainTimeout, left > 0
                                             ? QStringLiteral("%1 bytes not sent in time").arg(left)
                                             : QStringLiteral("Transmit queue not empty in time"));
}

void SerialPortLine::onError()
{
    if (m_port == nullptr || !isFault(m_port->error())) {
        return;
    }
    const bool gone = m_port->error() == QSerialPort::ResourceError ||
                      m_port->error() == QSerialPort::DeviceNotFoundError ||
                      deviceHungUp(nativeHandle(*m_port));
    const LineFault fault = gone                                         ? LineFault::DeviceGone
                            : m_port->error() == QSerialPort::WriteError ? LineFault::WriteRefused
                                                                         : LineFault::ReadRefused;
    const QString detail = m_port->errorString();
    if (m_closing) {
        finishClose(fault, detail);
    } else {
        fail(fault, detail);
    }
}

void SerialPortLine::finishClose(LineFault fault, const QString& detail)
{
    release(fault == LineFault::None ? Pending::Keep : Pending::Discard);
    Q_EMIT closed(fault, detail);
}

void SerialPortLine::fail(LineFault fault, const QString& detail)
{
    release();
    Q_EMIT failed(fault, detail);
}

void SerialPortLine::release(Pending pending)
{
    m_drainDeadline.stop();
    m_closing = false;
    if (m_drain != nullptr) {
        // Possibly inside the drain's own signal: it goes once that has returned.
        m_drain->cancel();
        m_drain->deleteLater();
        m_drain = nullptr;
    }
    if (m_port != nullptr) {
        QSerialPort* port = m_port;
        m_port = nullptr;
        port->disconnect(this);
        if (port->isOpen() && pending == Pending::Discard) {
            port->clear(QSerialPort::Output);
        }
        if (port->isOpen()) {
            port->close();
        }
        port->deleteLater();
    }
}

} // namespace lnk
