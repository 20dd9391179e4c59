#pragma once

#include <QString>

// The progress of a command over its ports, one line on standard error rewritten in place,
// cleared at the end. Shown only on a terminal.
namespace cli {

class ProgressLine
{
public:
    ProgressLine(QString command, int ports, bool shown);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void portDone();
    void clear();

private:
    void draw();

    QString m_command;
    int m_ports = 0;
    int m_done = 0;
    bool m_shown = false;
    qsizetype m_width = 0;
};

} // namespace cli
