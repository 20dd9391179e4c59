#include "sim/Simulator.h"

#include "sim/Describe.h"

#include <unistd.h>

// The answers to upload requests: paced byte by byte, with the faults that drop the line.
namespace sim {
namespace {

long long millis(Clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

} // namespace

Clock::time_point Simulator::dueTime(const Outgoing& o, int byte)
{
    return o.start + std::chrono::duration_cast<Clock::duration>(kByteTime * (byte + 1));
}

void Simulator::answer(const Event& request, Clock::time_point now)
{
    const QString reply = QStringLiteral("%1 reply").arg(blockName(*request.request));
    if (m_settings.noReply) {
        m_log.write(
            QStringLiteral("request 226: no reply sent, %1 withheld (fault: no reply)").arg(reply));
        return;
    }
    const Answer a = composeAnswer(*request.request, request.reply, m_settings);
    Outgoing o{a.bytes, a.description, now, now + m_settings.reaction, 0, m_settings.dropAfter};
    if (!m_queue.empty()) {
        // The line is busy until the answer before this one has gone out.
        const Outgoing& last = m_queue.back();
        o.start = std::max(o.start, dueTime(last, static_cast<int>(last.bytes.size()) - 1));
    }
    m_queue.push_back(o);
}

void Simulator::pump(Clock::time_point now)
{
    while (!m_queue.empty() && m_pty.isOpen()) {
        Outgoing& o = m_queue.front();
        if (o.sent == o.bytes.size()) {
            m_log.write(QStringLiteral("request 226: sent %1 in %2 ms")
                            .arg(o.description)
                            .arg(millis(now - o.requestAt)));
            m_queue.pop_front();
            continue;
        }
        if (dueTime(o, o.sent) > now) {
            return;
        }
        if (o.dropAfter >= 0 && o.sent >= o.dropAfter) {
            dropLine(o, now);
            return;
        }
        const ssize_t n = ::write(m_pty.masterFd(), o.bytes.constData() + o.sent, 1);
        if (n == 1) {
            ++o.sent;
            continue;
        }
        // The line holds a full buffer nobody reads: it waits, as a real line would.
        o.start += kLineRetry;
        return;
    }
}

void Simulator::dropLine(const Outgoing& o, Clock::time_point now)
{
    m_log.write(QStringLiteral("request 226: line dropped after %1 of %2 bytes of the %3 "
                               "(fault: drop after %1): device %4 removed")
                    .arg(o.sent)
                    .arg(o.bytes.size())
                    .arg(o.description, m_device));
    vanish(now);
}

void Simulator::reopenLine(Clock::time_point now)
{
    QString error;
    if (!m_pty.open(&error)) {
        m_log.write(QStringLiteral("cannot open a new device: %1").arg(error));
        m_reopenAt = now + kReappearAfter;
        return;
    }
    m_device = m_pty.devicePath();
    QString linkNote;
    if (!m_options.linkPath.isEmpty()) {
        linkNote = m_link.create(m_device, &error)
                       ? QStringLiteral(" (link %1)").arg(m_options.linkPath)
                       : QStringLiteral(" (%1)").arg(error);
    }
    m_log.write(QStringLiteral("line back on device %1%2").arg(m_device, linkNote));
    noteLineSettings();
}

} // namespace sim
