#pragma once

#include "link/Exchange.h"
#include "model/ParameterSet.h"
#include "session/Comparison.h"
#include "session/LineLog.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace lnk {
class PortLines;
}

// The way to one processor: its port (a number resolved through ports.ini and ports/, or an
// address), the exchanges queued on it one after another, the frame gap between them, the
// program's turns on the port, and the line log. It knows nothing of a panel: the panel's
// session owns one, and the fleet's jobs, restore and the tool use one each.
namespace session {

// A frame has no length byte: two frames back to back read as one. The next exchange starts
// writing no sooner than this after the previous one's last byte left the line (the processor
// ends a frame at a pause of 100 ms).
inline constexpr std::chrono::milliseconds kFrameGap{150};

// How an upload takes its reply.
enum class ReplyLength
{
    AtLeast, // the panel's rule: 42 or more bytes are a day reply, cut to 42
    Exact,   // a record's rule: exactly 42 or exactly 25; anything longer is refused
};

// What one exchange came to, held by value: a slot may keep it after the channel, its line and
// its exchange are gone.
struct ChannelResult
{
    lnk::ExchangeResult exchange; // the port named as it was asked for
    // Accepted uploads: the reply's values, the members its layout carries.
    std::optional<CarriedValues> reply;

    bool ok() const { return exchange.ok(); }
};

class ProcessorChannel : public QObject
{
    Q_OBJECT

public:
    using Values = model::ParameterSet::Values;
    // Where a frame's values come from when its exchange starts.
    using ValuesSource = std::function<Values()>;

    // dataDir: where port numbers resolve (ports.ini, ports/) and line.log lives. lines: the
    // lines to use instead of the real ports (tests), owned by the caller.
    explicit ProcessorChannel(QString dataDir, lnk::LineProvider* lines = nullptr,
                              QObject* parent = nullptr);
    ~ProcessorChannel() override;

    void setPort(const lnk::PortRef& port);
    // A port as people write it (session::parsePort); the error text, or empty when it is set.
    QString setPort(const QString& text);
    lnk::PortRef port() const { return m_port; }
    QString dataDir() const { return m_dataDir; }

    // The exchanges, in the order asked for. A frame's values are read when its exchange starts.
    void send(lnk::Layout layout, ValuesSource values);
    void send(lnk::Layout layout, const Values& values);
    // layout nothing: the reply taken by its length.
    void upload(std::optional<lnk::Layout> layout, std::chrono::milliseconds wait,
                ReplyLength length = ReplyLength::AtLeast);
    void command(lnk::Command command);

    bool busy() const { return m_exchange != nullptr || !m_queue.empty(); }
    LineLog& lineLog() { return m_lineLog; }

Q_SIGNALS:
    void busyChanged(bool busy);
    // An exchange begins on the line (after the frame gap and the port's turn).
    void started(lnk::ExchangeKind kind);
    void progress(int value);
    void finished(const session::ChannelResult& result);

private:
    struct Pending
    {
        lnk::ExchangeKind kind = lnk::ExchangeKind::SendDay;
        std::optional<lnk::Command> command;
        ValuesSource values;
        std::chrono::milliseconds wait{0};
        ReplyLength length = ReplyLength::AtLeast;
    };

    void enqueue(Pending pending);
    void startNext();
    lnk::ExchangeRequest requestFor(const Pending& p) const;
    void onFinished(lnk::ExchangeResult result);
    void giveTurn(std::optional<std::chrono::steady_clock::time_point> quietSince);

    QString m_dataDir;
    lnk::PortRef m_port{1, {}};
    std::unique_ptr<lnk::PortLines> m_ownLines;
    lnk::LineProvider* m_lines = nullptr;

    std::deque<Pending> m_queue;
    QPointer<lnk::Exchange> m_exchange;
    lnk::PortRef m_runningPort;
    QTimer m_gapTimer;
    std::optional<std::chrono::steady_clock::time_point> m_lineQuietSince;
    QString m_turnPort; // the port this channel holds among the program's channels
    LineLog m_lineLog;
};

// What a port reaches, as one text: the panel's number and a site's device path or address that
// reach the same thing take turns on it.
QString turnKey(const lnk::PortRef& port, const QString& dataDir);

} // namespace session

Q_DECLARE_METATYPE(session::ChannelResult)
