#include "session/ProcessorChannel.h"

#include "link/PortLines.h"
#include "link/PortMap.h"
#include "link/PortNames.h"
#include "session/PortIdentity.h"
#include "session/PortText.h"
#include "session/PortTurns.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace session {
namespace {

using Clock = std::chrono::steady_clock;

} // namespace

QString turnKey(const lnk::PortRef& port, const QString& dataDir)
{
    return portIdentity(port, dataDir);
}

ProcessorChannel::ProcessorChannel(QString dataDir, lnk::LineProvider* lines, QObject* parent)
    : QObject(parent), m_dataDir(std::move(dataDir)),
      m_lineLog(QDir(m_dataDir).filePath(QStringLiteral("line.log")))
{
    if (lines != nullptr) {
        m_lines = lines;
    } else {
        m_ownLines = std::make_unique<lnk::PortLines>(m_dataDir);
        m_lines = m_ownLines.get();
    }
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gapTimer, &QTimer::timeout, this, &ProcessorChannel::startNext);
    connect(&PortTurns::instance(), &PortTurns::freed, this, [this] {
        if (m_exchange == nullptr && !m_queue.empty() && !m_gapTimer.isActive()) {
            startNext();
        }
    });
}

ProcessorChannel::~ProcessorChannel()
{
    // An exchange still running uses a line that goes with the provider: it goes first, and
    // says nothing any more.
    if (m_exchange != nullptr) {
        m_exchange->disconnect(this);
        delete m_exchange.data();
    }
    giveTurn(std::nullopt);
}

void ProcessorChannel::setPort(const lnk::PortRef& port)
{
    if (port.isNumber() && (port.number < 0 || port.number > lnk::kMaxPortNo)) {
        return;
    }
    m_port = port;
}

QString ProcessorChannel::setPort(const QString& text)
{
    const PortParse parsed = parsePort(text);
    if (parsed.error.isEmpty()) {
        setPort(parsed.port);
    }
    return parsed.error;
}

void ProcessorChannel::send(lnk::Layout layout, ValuesSource values)
{
    Pending p;
    p.kind = layout == lnk::Layout::Day ? lnk::ExchangeKind::SendDay : lnk::ExchangeKind::SendNight;
    p.values = std::move(values);
    enqueue(std::move(p));
}

void ProcessorChannel::send(lnk::Layout layout, const Values& values)
{
    send(layout, [values] { return values; });
}

void ProcessorChannel::upload(std::optional<lnk::Layout> layout, std::chrono::milliseconds wait,
                              ReplyLength length)
{
    Pending p;
    p.kind = !layout                       ? lnk::ExchangeKind::UploadByLength
             : *layout == lnk::Layout::Day ? lnk::ExchangeKind::UploadDay
                                           : lnk::ExchangeKind::UploadNight;
    p.wait = wait;
    p.length = length;
    enqueue(std::move(p));
}

void ProcessorChannel::command(lnk::Command command)
{
    Pending p;
    p.kind = lnk::ExchangeKind::Command;
    p.command = command;
    enqueue(std::move(p));
}

void ProcessorChannel::enqueue(Pending pending)
{
    const bool wasBusy = busy();
    m_queue.push_back(std::move(pending));
    if (!wasBusy) {
        Q_EMIT busyChanged(true);
        startNext();
    }
}

void ProcessorChannel::giveTurn(std::optional<Clock::time_point> quietSince)
{
    if (!m_turnPort.isEmpty()) {
        PortTurns::instance().give(std::exchange(m_turnPort, QString()), this, quietSince);
    }
}

void ProcessorChannel::startNext()
{
    if (m_exchange != nullptr || m_queue.empty()) {
        return;
    }
    PortTurns& turns = PortTurns::instance();
    const QString turnPort = turnKey(m_port, m_dataDir);
    if (m_turnPort != turnPort) {
        // What the port reaches changed (its ports/ link went): the old turn is given back,
        // and whoever waited for it (this channel too) may have started meanwhile.
        giveTurn(std::nullopt);
        if (m_exchange != nullptr || m_queue.empty()) {
            return;
        }
    }
    if (!turns.take(turnPort, this)) {
        return; // another channel of this program uses the port: freed() brings us back
    }
    m_turnPort = turnPort;
    std::optional<Clock::time_point> quiet = m_lineQuietSince;
    if (const auto other = turns.quietSince(turnPort); other && (!quiet || *other > *quiet)) {
        quiet = other;
    }
    if (quiet) {
        const auto ready = *quiet + kFrameGap;
        const auto now = Clock::now();
        if (now < ready) {
            m_gapTimer.start(std::chrono::ceil<std::chrono::milliseconds>(ready - now));
            return;
        }
    }
    const Pending running = std::move(m_queue.front());
    m_queue.pop_front();
    m_runningPort = m_port;
    Q_EMIT started(running.kind);
    auto* exchange = new lnk::Exchange(m_lines->lineFor(m_runningPort), requestFor(running), this);
    m_exchange = exchange;
    connect(exchange, &lnk::Exchange::progress, this, &ProcessorChannel::progress);
    // The result is copied before anything else happens: the exchange and its line may be gone
    // by the time a slot reads it.
    connect(exchange, &lnk::Exchange::finished, this,
            [this](const lnk::ExchangeResult& r) { onFinished(r); });
    exchange->start();
}

lnk::ExchangeRequest ProcessorChannel::requestFor(const Pending& p) const
{
    switch (p.kind) {
    case lnk::ExchangeKind::SendDay:
    case lnk::ExchangeKind::SendNight: {
        const lnk::Layout layout =
            p.kind == lnk::ExchangeKind::SendDay ? lnk::Layout::Day : lnk::Layout::Night;
        model::ParameterSet set;
        set.restore(p.values());
        return lnk::sendRequest(layout, set);
    }
    case lnk::ExchangeKind::UploadDay:
        return lnk::uploadRequest(lnk::Layout::Day, p.wait, p.length == ReplyLength::Exact);
    case lnk::ExchangeKind::UploadNight:
        return lnk::uploadRequest(lnk::Layout::Night, p.wait, p.length == ReplyLength::Exact);
    case lnk::ExchangeKind::UploadByLength:
        return lnk::uploadRequest(std::nullopt, p.wait, p.length == ReplyLength::Exact);
    case lnk::ExchangeKind::Command:
        break;
    }
    return lnk::commandRequest(*p.command);
}

void ProcessorChannel::onFinished(lnk::ExchangeResult exchange)
{
    if (m_exchange != nullptr) {
        m_exchange->disconnect(this);
        m_exchange->deleteLater();
        m_exchange = nullptr;
    }
    ChannelResult result;
    result.exchange = std::move(exchange);
    result.exchange.port = m_runningPort.name();
    if (result.ok() && result.exchange.layout) {
        result.reply = CarriedValues::ofReply(*result.exchange.layout, result.exchange.reply());
    }
    if (!result.exchange.sent.isEmpty()) {
        m_lineQuietSince = result.exchange.requestLeft.value_or(Clock::now());
    }
    m_lineLog.append(result.exchange);
    giveTurn(result.exchange.sent.isEmpty() ? std::nullopt : m_lineQuietSince);
    const bool more = !m_queue.empty();
    // A slot may delete this channel: nothing of it is touched after the signals unless it
    // is still there.
    const QPointer<ProcessorChannel> self(this);
    if (!more) {
        Q_EMIT busyChanged(false);
    }
    if (self != nullptr) {
        Q_EMIT finished(result);
    }
    if (self != nullptr && more) {
        startNext();
    }
}

} // namespace session
