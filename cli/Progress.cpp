#include "cli/Progress.h"

#include <cstdio>

namespace cli {

ProgressLine::ProgressLine(QString command, int ports, bool shown)
    : m_command(std::move(command)), m_ports(ports), m_shown(shown)
{
    draw();
}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::portDone()
{
    ++m_done;
    draw();
}

void ProgressLine::draw()
{
    if (!m_shown) {
        return;
    }
    const QString text =
        QStringLiteral("%1: %2 of %3 ports done").arg(m_command).arg(m_done).arg(m_ports);
    m_width = std::max(m_width, text.size());
    std::fprintf(stderr, "\r%s", qPrintable(text.leftJustified(m_width)));
    std::fflush(stderr);
}

void ProgressLine::clear()
{
    if (m_shown && m_width > 0) {
        std::fprintf(stderr, "\r%s\r", qPrintable(QString(m_width, QLatin1Char(' '))));
        std::fflush(stderr);
    }
    m_shown = false;
}

} // namespace cli
