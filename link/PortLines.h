#pragma once

#include "link/Line.h"

#include <QPointer>

// The lines of the real world: what a port reference reaches is decided at each exchange, so a
// link or map entry changed between two exchanges takes effect at the next one.
namespace lnk {

// A line to something that cannot be reached: its open fails with the reason.
class UnreachableLine : public Line
{
    Q_OBJECT

public:
    UnreachableLine(QString target, LineFault fault, QString detail, QObject* parent = nullptr);

    QString target() const override { return m_target; }
    void open(const LineSettings& settings) override;
    bool isOpen() const override { return false; }
    void write(const QByteArray&) override {}
    qint64 bytesAvailable() const override { return 0; }
    QByteArray readAll() override { return {}; }
    void close() override;
    void abort() override {}

private:
    QString m_target;
    LineFault m_fault;
    QString m_detail;
};

class PortLines : public LineProvider
{
public:
    // dataDir: the folder whose ports/ links name the panel's port numbers.
    explicit PortLines(QString dataDir);
    ~PortLines() override;

    Line& lineFor(const PortRef& port) override;

private:
    QString m_dataDir;
    QString m_key;
    QPointer<Line> m_line;
};

} // namespace lnk
