#include "sim/Processor.h"

#include "sim/Describe.h"

namespace sim {

std::vector<Event> Processor::feed(const QByteArray& bytes, Clock::time_point at)
{
    std::vector<Event> out = expire(at);
    for (const char c : bytes) {
        take(static_cast<quint8>(c), out);
    }
    if (!m_frame.isEmpty()) {
        m_lastByte = at;
    }
    return out;
}

std::vector<Event> Processor::expire(Clock::time_point now)
{
    std::vector<Event> out;
    if (!m_frame.isEmpty() && now - m_lastByte >= kFrameSilence) {
        finishBySilence(out);
    }
    return out;
}

std::optional<Clock::time_point> Processor::deadline() const
{
    if (m_frame.isEmpty()) {
        return std::nullopt;
    }
    return m_lastByte + kFrameSilence;
}

void Processor::resetLine()
{
    m_frame.clear();
}

void Processor::take(quint8 byte, std::vector<Event>& out)
{
    if (!m_frame.isEmpty()) {
        m_frame.append(static_cast<char>(byte));
        if (m_frame.size() == lnk::kDayFrameSize) {
            finishFrame(lnk::Layout::Day, out);
        }
        return;
    }
    if (byte == lnk::kFrameHeader) {
        m_frame.append(static_cast<char>(byte));
        return;
    }
    if (byte == lnk::kUploadRequest) {
        out.push_back(request());
        return;
    }
    if (const auto c = lnk::commandByByte(byte)) {
        command(*c);
        out.push_back({describeCommand(*c), std::nullopt, {}});
        return;
    }
    const QString hex = QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    out.push_back(
        {QStringLiteral("unknown byte %1 (0x%2) ignored").arg(byte).arg(hex), std::nullopt, {}});
}

void Processor::finishFrame(lnk::Layout block, std::vector<Event>& out)
{
    if (m_ignoreFrames) {
        out.push_back({QStringLiteral("%1 frame not taken (fault): %2")
                           .arg(blockName(block), lnk::hexBytes(m_frame)),
                       std::nullopt,
                       {}});
        m_frame.clear();
        return;
    }
    Values& target = block == lnk::Layout::Day ? m_state.current : m_state.night;
    const Values before = target;
    model::ParameterSet set;
    loadValues(set, target);
    lnk::decodeFrame(block, m_frame, set);
    target = valuesOf(set);
    out.push_back({describeFrame(block, m_frame, before, target), std::nullopt, {}});
    m_frame.clear();
}

void Processor::finishBySilence(std::vector<Event>& out)
{
    if (m_frame.size() == lnk::kNightFrameSize) {
        finishFrame(lnk::Layout::Night, out);
        return;
    }
    out.push_back({QStringLiteral("incomplete frame (%1 bytes) dropped: %2")
                       .arg(m_frame.size())
                       .arg(lnk::hexBytes(m_frame)),
                   std::nullopt,
                   {}});
    m_frame.clear();
}

void Processor::command(lnk::Command command)
{
    using C = lnk::Command;
    State& s = m_state;
    switch (command) {
    case C::Testtone:
        s.testTone = true;
        break;
    case C::Stoptone:
        s.testTone = false;
        break;
    case C::Saveday:
        s.dayPreset = s.current;
        break;
    case C::Savenight:
        s.nightPreset = s.current;
        break;
    case C::Setday:
        s.active = lnk::Layout::Day;
        s.current = s.dayPreset;
        break;
    case C::Setnight:
        s.active = lnk::Layout::Night;
        s.current = s.nightPreset;
        break;
    case C::Switchon:
        s.switchEnabled = true;
        break;
    case C::Switchoff:
        s.switchEnabled = false;
        break;
    case C::Save1:
    case C::Save2:
    case C::Save3:
    case C::Save4:
        s.user[static_cast<int>(command) - static_cast<int>(C::Save1)] = s.current;
        break;
    case C::Recall1:
    case C::Recall2:
    case C::Recall3:
    case C::Recall4:
        s.current = s.user[static_cast<int>(command) - static_cast<int>(C::Recall1)];
        break;
    }
}

Event Processor::request() const
{
    const lnk::Layout layout = m_replyLayout.value_or(m_state.active);
    model::ParameterSet set;
    loadValues(set, layout == lnk::Layout::Day ? m_state.current : m_state.night);
    return {{}, layout, lnk::encodeReply(layout, set)};
}

} // namespace sim
