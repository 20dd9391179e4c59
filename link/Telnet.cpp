#include "link/Telnet.h"

namespace lnk::telnet {

QByteArray escapeData(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == kIac) {
            out.append(c);
        }
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option)
{
    const char bytes[] = {char(kIac), char(verb), char(option)};
    return QByteArray(bytes, sizeof bytes);
}

QByteArray subnegotiation(quint8 option, const QByteArray& payload)
{
    const char head[] = {char(kIac), char(kSb), char(option)};
    QByteArray out(head, sizeof head);
    out.append(escapeData(payload));
    out.append(char(kIac));
    out.append(char(kSe));
    return out;
}

void Decoder::reset()
{
    m_state = State::Data;
    m_payload.clear();
    m_overlong = false;
}

void Decoder::feed(const QByteArray& bytes, QByteArray& data, QList<Event>& events)
{
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        switch (m_state) {
        case State::Data:
            if (b == kIac) {
                m_state = State::Iac;
            } else {
                data.append(c);
            }
            break;
        case State::Iac:
            if (b == kIac) {
                data.append(c);
                m_state = State::Data;
            } else {
                command(b, events);
            }
            break;
        case State::Option: {
            static constexpr Event::Kind kinds[] = {Event::Kind::Will, Event::Kind::Wont,
                                                    Event::Kind::Do, Event::Kind::Dont};
            events.append(Event{kinds[m_verb - kWill], b, {}});
            m_state = State::Data;
            break;
        }
        case State::SbOption:
            m_sbOption = b;
            m_payload.clear();
            m_overlong = false;
            m_state = State::SbPayload;
            break;
        case State::SbPayload:
            if (b == kIac) {
                m_state = State::SbIac;
            } else if (m_payload.size() < kMaxPayload) {
                m_payload.append(c);
            } else {
                m_overlong = true;
            }
            break;
        case State::SbIac:
            if (b == kSe) {
                endSubnegotiation(events);
                m_state = State::Data;
            } else if (b == kIac) {
                if (m_payload.size() < kMaxPayload) {
                    m_payload.append(c);
                } else {
                    m_overlong = true;
                }
                m_state = State::SbPayload;
            } else {
                // A sender that left out SE: the subnegotiation ends, the command stands.
                endSubnegotiation(events);
                command(b, events);
            }
            break;
        }
    }
}

void Decoder::command(quint8 byte, QList<Event>& events)
{
    if (byte >= kWill && byte <= kDont) {
        m_verb = byte;
        m_state = State::Option;
    } else if (byte == kSb) {
        m_state = State::SbOption;
    } else {
        events.append(Event{Event::Kind::Command, byte, {}});
        m_state = State::Data;
    }
}

void Decoder::endSubnegotiation(QList<Event>& events)
{
    if (!m_overlong) {
        events.append(Event{Event::Kind::Subnegotiation, m_sbOption, m_payload});
    }
    m_payload.clear();
    m_overlong = false;
}

} // namespace lnk::telnet
