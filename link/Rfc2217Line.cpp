#include "link/Rfc2217Line.h"

#include <QTimer>

namespace lnk {
namespace {

using telnet::Event;

constexpr quint32 bit(rfc2217::Command c)
{
    return 1U << quint8(c);
}

constexpr quint32 kOpenRequests =
    bit(rfc2217::Command::SetBaudRate) | bit(rfc2217::Command::SetDataSize) |
    bit(rfc2217::Command::SetParity) | bit(rfc2217::Command::SetStopSize) |
    bit(rfc2217::Command::PurgeData);

QString settingName(rfc2217::Command c)
{
    switch (c) {
    case rfc2217::Command::SetBaudRate:
        return QStringLiteral("the baud rate");
    case rfc2217::Command::SetDataSize:
        return QStringLiteral("the data size");
    case rfc2217::Command::SetParity:
        return QStringLiteral("the parity code");
    case rfc2217::Command::SetStopSize:
        return QStringLiteral("the stop size code");
    case rfc2217::Command::SetLinestateMask:
    case rfc2217::Command::PurgeData:
        break;
    }
    return QStringLiteral("a setting");
}

} // namespace

Rfc2217Line::Rfc2217Line(const NetworkAddress& address, QObject* parent)
    : NetworkLine(address, parent), m_resend(new QTimer(this))
{
    m_resend->setSingleShot(true);
    connect(m_resend, &QTimer::timeout, this, &Rfc2217Line::resendRequests);
}

void Rfc2217Line::beginSession()
{
    m_decoder.reset();
    m_resend->stop();
    m_binaryOut = false;
    m_binaryIn = false;
    m_comPort = false;
    m_answered.clear();
    // The requests go in the same packet as the negotiation. Sent after the server's DO, they
    // met its unacknowledged greeting and came back 40 ms later (measured with ser2net).
    sendProtocol(telnet::negotiation(telnet::kWill, telnet::kOptionBinary) +
                 telnet::negotiation(telnet::kDo, telnet::kOptionBinary) +
                 telnet::negotiation(telnet::kWill, telnet::kOptionComPort) + requests());
    m_pending = kOpenRequests;
    armOpenDeadline(kNegotiationTimeout);
}

QByteArray Rfc2217Line::requests() const
{
    return rfc2217::requestsFor(settings()) + rfc2217::purgeData(rfc2217::Purge::Both);
}

void Rfc2217Line::resendRequests()
{
    if (isOpening() && m_pending == kOpenRequests) {
        sendProtocol(requests());
    }
}

void Rfc2217Line::receiveWire(const QByteArray& wire)
{
    QByteArray data;
    QList<Event> events;
    m_decoder.feed(wire, data, events);
    for (const Event& e : events) {
        handle(e);
        if (!isOpening() && !isOpen()) {
            return;
        }
    }
    deliver(data);
    finishWhenReady();
}

QByteArray Rfc2217Line::encodeData(const QByteArray& data) const
{
    return telnet::escapeData(data);
}

void Rfc2217Line::openDeadlinePassed()
{
    const QString what = !m_comPort       ? QStringLiteral("did not take up the COM port option")
                         : m_pending != 0 ? QStringLiteral("did not confirm the line settings")
                                          : QStringLiteral("did not agree to binary data");
    failOpen(
        LineFault::ConnectTimeout,
        QStringLiteral("%1 %2 within %3 ms").arg(target(), what).arg(kNegotiationTimeout.count()));
}

void Rfc2217Line::handle(const Event& e)
{
    const bool binary = e.code == telnet::kOptionBinary;
    switch (e.kind) {
    case Event::Kind::Do:
        if (binary) {
            m_binaryOut = true;
        } else if (e.code == telnet::kOptionComPort) {
            m_comPort = true;
            // A server may ignore requests for an option it had not agreed to yet; the
            // answers of one that took them come within a round trip of its DO.
            if (m_pending == kOpenRequests && isOpening()) {
                m_resend->start(kResendAfter + connectTime());
            }
        } else {
            answerOnce(telnet::kWont, e.code);
        }
        return;
    case Event::Kind::Will:
        if (binary) {
            m_binaryIn = true;
        } else {
            // Suppress-go-ahead is harmless; echo or anything else would change the data.
            answerOnce(e.code == telnet::kOptionSuppressGoAhead ? telnet::kDo : telnet::kDont,
                       e.code);
        }
        return;
    case Event::Kind::Dont:
    case Event::Kind::Wont:
        if (isOpening() && e.code == telnet::kOptionComPort) {
            failOpen(LineFault::OpenRefused,
                     QStringLiteral("%1 refuses the COM port option").arg(target()));
        } else if (isOpening() && binary) {
            failOpen(LineFault::OpenRefused,
                     QStringLiteral("%1 refuses binary data").arg(target()));
        }
        return;
    case Event::Kind::Subnegotiation:
        if (const auto answer = rfc2217::parseAnswer(e)) {
            handleAnswer(*answer);
        }
        return;
    case Event::Kind::Command:
        return;
    }
}

void Rfc2217Line::handleAnswer(const rfc2217::Answer& answer)
{
    if ((m_pending & bit(answer.command)) == 0) {
        return;
    }
    m_pending &= ~bit(answer.command);
    if (answer.command == rfc2217::Command::PurgeData) {
        return;
    }
    const quint32 wanted = rfc2217::expectedValue(answer.command, settings());
    if (answer.value != wanted) {
        failOpen(LineFault::OpenRefused, QStringLiteral("%1 set %2 to %3 instead of %4")
                                             .arg(target(), settingName(answer.command))
                                             .arg(answer.value)
                                             .arg(wanted));
    }
}

void Rfc2217Line::answerOnce(quint8 verb, quint8 option)
{
    if (!m_answered.contains(option)) {
        m_answered.insert(option);
        sendProtocol(telnet::negotiation(verb, option));
    }
}

void Rfc2217Line::finishWhenReady()
{
    if (isOpening() && m_binaryOut && m_binaryIn && m_comPort && m_pending == 0) {
        openDone();
    }
}

} // namespace lnk
