#include "link/NetworkLine.h"

#include "link/NetworkFaults.h"

#include <QMetaObject>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace lnk {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Enough of what a server says before hanging up to quote it in a message.
constexpr qsizetype kWordsKept = 200;

std::chrono::microseconds lineDuration(const LineSettings& s, qint64 bytes)
{
    return std::chrono::microseconds(bytes * s.bitsPerByte() * 1'000'000LL / s.baudRate);
}

int ceilMs(Clock::duration d)
{
    return int(std::max<qint64>(0, std::chrono::ceil<std::chrono::milliseconds>(d).count()));
}

} // namespace

NetworkLine::NetworkLine(const NetworkAddress& address, QObject* parent)
    : Line(parent), m_address(address), m_socket(new QTcpSocket(this)), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &NetworkLine::onTimer);
    connect(m_socket, &QTcpSocket::connected, this, &NetworkLine::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkLine::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &NetworkLine::onBytesWritten);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkLine::onSocketLost);
    connect(m_socket, &QTcpSocket::disconnected, this, &NetworkLine::onSocketLost);
}

NetworkLine::~NetworkLine()
{
    m_state = State::Closed;
    m_socket->abort();
}

QString NetworkLine::target() const
{
    return m_address.text();
}

void NetworkLine::open(const LineSettings& settings)
{
    reset();
    m_settings = settings;
    m_state = State::Connecting;
    m_connectStart = Clock::now();
    m_timer->start(kConnectTimeout);
    m_socket->connectToHost(m_address.host, m_address.port);
}

bool NetworkLine::isOpen() const
{
    return m_state == State::Open;
}

void NetworkLine::write(const QByteArray& bytes)
{
    if (m_state != State::Open || bytes.isEmpty()) {
        return;
    }
    const QByteArray wire = encodeData(bytes);
    m_chunks.push_back({wire.size(), bytes.size()});
    if (m_socket->write(wire) != wire.size()) {
        const QString detail = QStringLiteral("%1: %2").arg(target(), m_socket->errorString());
        reset();
        Q_EMIT failed(LineFault::WriteRefused, detail);
    }
}

qint64 NetworkLine::bytesAvailable() const
{
    return m_received.size();
}

QByteArray NetworkLine::readAll()
{
    return std::exchange(m_received, {});
}

void NetworkLine::close()
{
    switch (m_state) {
    case State::Closed:
    case State::Connecting:
    case State::Opening:
        reset();
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT closed(LineFault::None, {}); }, Qt::QueuedConnection);
        return;
    case State::Open:
        break;
    case State::Flushing:
    case State::LineWait:
        return;
    }
    m_state = State::Flushing;
    if (m_chunks.empty() && m_socket->bytesToWrite() == 0) {
        startLineWait();
        return;
    }
    qint64 pending = 0;
    for (const Chunk& c : m_chunks) {
        pending += c.data;
    }
    m_timer->start(m_settings.lineTime(pending) + kFlushMargin);
}

void NetworkLine::abort()
{
    reset();
}

void NetworkLine::sendProtocol(const QByteArray& wire)
{
    m_chunks.push_back({wire.size(), 0});
    m_socket->write(wire);
}

void NetworkLine::deliver(const QByteArray& data)
{
    if (data.isEmpty()) {
        return;
    }
    if (m_state == State::Open) {
        m_received.append(data);
        Q_EMIT received();
    } else if (m_state == State::Opening && m_serverWords.size() < kWordsKept) {
        m_serverWords.append(data.left(kWordsKept - m_serverWords.size()));
    }
}

void NetworkLine::armOpenDeadline(std::chrono::milliseconds timeout)
{
    m_timer->start(timeout);
}

void NetworkLine::openDone()
{
    if (m_state != State::Opening) {
        return;
    }
    m_timer->stop();
    m_serverWords.clear();
    m_state = State::Open;
    Q_EMIT opened();
}

void NetworkLine::failOpen(LineFault fault, const QString& detail)
{
    reset();
    Q_EMIT openFailed(fault, detail);
}

void NetworkLine::onConnected()
{
    if (m_state != State::Connecting) {
        return;
    }
    m_timer->stop();
    m_connectTime = std::chrono::ceil<std::chrono::milliseconds>(Clock::now() - m_connectStart);
    // Frames go out a byte at a time; without this each small write could wait for an ack.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setReadBufferSize(kNegotiationLimit);
    m_negotiated = 0;
    m_state = State::Opening;
    beginSession();
}

void NetworkLine::onReadyRead()
{
    const QByteArray wire = m_socket->read(kNegotiationLimit);
    if (wire.isEmpty()) {
        return;
    }
    if (m_state == State::Opening) {
        m_negotiated += wire.size();
        if (m_negotiated > kNegotiationLimit) {
            failOpen(LineFault::ProtocolFault,
                     QStringLiteral("%1 sent more than %2 bytes before the line was ready")
                         .arg(target())
                         .arg(kNegotiationLimit));
            return;
        }
    }
    if (m_state == State::Opening || m_state == State::Open) {
        receiveWire(wire);
    }
    // A full read buffer may hold more than one read takes: the rest comes on the next turn.
    if (m_socket->bytesAvailable() > 0 && (m_state == State::Opening || m_state == State::Open)) {
        QMetaObject::invokeMethod(this, &NetworkLine::onReadyRead, Qt::QueuedConnection);
    }
}

void NetworkLine::onBytesWritten(qint64 wire)
{
    qint64 data = 0;
    while (wire > 0 && !m_chunks.empty()) {
        Chunk& c = m_chunks.front();
        const qint64 take = std::min(wire, c.wire);
        // A chunk may leave in parts; its data bytes count in proportion, the rest at its end.
        const qint64 part = take == c.wire ? c.data : c.data * take / c.wire;
        data += part;
        c.data -= part;
        c.wire -= take;
        wire -= take;
        if (c.wire == 0) {
            m_chunks.pop_front();
        }
    }
    if (data > 0) {
        m_lineFree = std::max(Clock::now(), m_lineFree) + lineDuration(m_settings, data);
        Q_EMIT bytesWritten(data);
    }
    if (m_state == State::Flushing && m_chunks.empty() && m_socket->bytesToWrite() == 0) {
        startLineWait();
    }
}

void NetworkLine::onSocketLost()
{
    switch (m_state) {
    case State::Closed:
        return;
    case State::Connecting:
        failOpen(connectFault(m_socket->error()),
                 QStringLiteral("%1: %2").arg(target(), m_socket->errorString()));
        return;
    case State::Opening: {
        const HangUp hangUp = hangUpDuringOpen(target(), m_serverWords);
        failOpen(hangUp.fault, hangUp.detail);
        return;
    }
    case State::Open: {
        const QString detail =
            QStringLiteral("%1 closed the connection (%2)").arg(target(), m_socket->errorString());
        reset();
        Q_EMIT failed(LineFault::DeviceGone, detail);
        return;
    }
    case State::Flushing:
    case State::LineWait:
        finishClose(LineFault::DeviceGone,
                    QStringLiteral("%1 closed the connection before every byte was sent (%2)")
                        .arg(target(), m_socket->errorString()));
        return;
    }
}

void NetworkLine::onTimer()
{
    switch (m_state) {
    case State::Connecting:
        failOpen(LineFault::ConnectTimeout, QStringLiteral("%1: no connection within %2 ms")
                                                .arg(target())
                                                .arg(kConnectTimeout.count()));
        return;
    case State::Opening:
        openDeadlinePassed();
        return;
    case State::Flushing:
        finishClose(LineFault::DrainTimeout,
                    QStringLiteral("%1: the bytes did not leave in time").arg(target()));
        return;
    case State::LineWait:
        finishClose(LineFault::None, {});
        return;
    case State::Closed:
    case State::Open:
        return;
    }
}

void NetworkLine::startLineWait()
{
    m_state = State::LineWait;
    const Clock::time_point due = m_lineFree + m_connectTime + kLineTimeMargin;
    m_timer->start(m_lineFree == Clock::time_point{} ? 0 : ceilMs(due - Clock::now()));
}

void NetworkLine::finishClose(LineFault fault, const QString& detail)
{
    m_state = State::Closed;
    m_timer->stop();
    if (fault == LineFault::None) {
        m_socket->disconnectFromHost();
    }
    reset();
    Q_EMIT closed(fault, detail);
}

void NetworkLine::reset()
{
    m_state = State::Closed;
    m_timer->stop();
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->abort();
    }
    m_chunks.clear();
    m_received.clear();
    m_serverWords.clear();
    m_lineFree = {};
}

} // namespace lnk
