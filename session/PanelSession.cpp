#include "session/PanelSession.h"

#include "link/PortLines.h"
#include "link/PortMap.h"
#include "link/PortNames.h"
#include "session/PortText.h"
#include "session/PortTurns.h"
#include "storage/DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace session {
namespace {

using Clock = std::chrono::steady_clock;

// A failed command leaves the bar full, as it was while the command ran.
constexpr int kProgressFull = 23;

bool isFrame(lnk::ExchangeKind k)
{
    return k == lnk::ExchangeKind::SendDay || k == lnk::ExchangeKind::SendNight;
}

// What a port reaches, as one text, so that the panel's number and a site's device path or
// address that reach the same thing wait for each other.
QString turnKey(const lnk::PortRef& port, const QString& dataDir)
{
    if (!port.isNumber()) {
        const QString device = QFileInfo(port.address).canonicalFilePath();
        return device.isEmpty() ? portText(port) : device;
    }
    if (const std::optional<QString> mapped = lnk::mappedAddress(port.number, dataDir)) {
        const PortParse parsed = parsePort(*mapped);
        return parsed.error.isEmpty() && !parsed.port.isNumber() ? turnKey(parsed.port, dataDir)
                                                                 : *mapped;
    }
    const QString device = lnk::portDevice(port.number, dataDir);
    return device.isEmpty() ? port.name() : device;
}

} // namespace

PanelSession::PanelSession(SessionEnvironment env, QObject* parent)
    : QObject(parent), m_env(std::move(env)),
      // Decided once: the lines, the dialogs and every file must agree for the whole run.
      m_dataDir(m_env.dataDir.isEmpty() ? storage::chooseDataDir(m_env.programDir) : m_env.dataDir),
      m_lineLog(QDir(m_dataDir).filePath(QStringLiteral("line.log")))
{
    if (m_env.lines != nullptr) {
        m_lines = m_env.lines;
    } else {
        m_ownLines = std::make_unique<lnk::PortLines>(m_dataDir);
        m_lines = m_ownLines.get();
    }
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gapTimer, &QTimer::timeout, this, &PanelSession::startNext);
    connect(&PortTurns::instance(), &PortTurns::freed, this, [this] {
        if (m_exchange == nullptr && !m_queue.empty() && !m_gapTimer.isActive()) {
            startNext();
        }
    });
    connect(&m_params, &model::ParameterSet::changed, this, &PanelSession::parametersChanged);
}

PanelSession::~PanelSession()
{
    // An exchange still running belongs to a line that goes with the provider.
    delete m_exchange;
    if (!m_turnPort.isEmpty()) {
        PortTurns::instance().give(m_turnPort, this, std::nullopt);
    }
}

void PanelSession::setPortNo(int portNo)
{
    if (portNo >= 0 && portNo <= lnk::kMaxPortNo) {
        m_portNo = portNo;
        m_portAddress.clear();
    }
}

void PanelSession::setPortAddress(const QString& address)
{
    m_portAddress = address;
}

lnk::PortRef PanelSession::port() const
{
    if (!m_portAddress.isEmpty()) {
        return {-1, m_portAddress};
    }
    return {m_portNo, {}};
}

void PanelSession::sendDay()
{
    enqueue({lnk::ExchangeKind::SendDay, std::nullopt});
}

void PanelSession::sendNight()
{
    enqueue({lnk::ExchangeKind::SendNight, std::nullopt});
}

void PanelSession::uploadDay(std::chrono::milliseconds wait)
{
    enqueue({lnk::ExchangeKind::UploadDay, std::nullopt, wait});
}

void PanelSession::uploadNight()
{
    enqueue({lnk::ExchangeKind::UploadNight, std::nullopt, lnk::kNightUploadWait});
}

void PanelSession::upload(ReplyUse use)
{
    enqueue({lnk::ExchangeKind::UploadByLength, std::nullopt, lnk::kNightUploadWait, use});
}

void PanelSession::command(lnk::Command command)
{
    enqueue({lnk::ExchangeKind::Command, command});
}

void PanelSession::enqueue(Pending pending)
{
    const bool wasBusy = busy();
    m_queue.push_back(pending);
    if (!wasBusy) {
        Q_EMIT busyChanged(true);
        startNext();
    }
}

void PanelSession::startNext()
{
    if (m_exchange != nullptr || m_queue.empty()) {
        return;
    }
    PortTurns& turns = PortTurns::instance();
    const QString turnPort = turnKey(port(), m_dataDir);
    if (!m_turnPort.isEmpty() && m_turnPort != turnPort) {
        turns.give(m_turnPort, this, std::nullopt);
        m_turnPort.clear();
    }
    if (!turns.take(turnPort, this)) {
        return; // another session of this program uses the port: freed() brings us back
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
    m_running = m_queue.front();
    m_queue.pop_front();
    m_progressBefore = m_progress;
    m_runningPort = port();
    m_exchange = new lnk::Exchange(m_lines->lineFor(m_runningPort), requestFor(m_running), this);
    connect(m_exchange, &lnk::Exchange::progress, this, &PanelSession::setProgress);
    connect(m_exchange, &lnk::Exchange::finished, this, &PanelSession::onFinished);
    m_exchange->start();
}

lnk::ExchangeRequest PanelSession::requestFor(const Pending& p) const
{
    switch (p.kind) {
    case lnk::ExchangeKind::SendDay:
        return lnk::sendRequest(lnk::Layout::Day, m_params);
    case lnk::ExchangeKind::SendNight:
        return lnk::sendRequest(lnk::Layout::Night, m_params);
    case lnk::ExchangeKind::UploadDay:
        return lnk::uploadRequest(lnk::Layout::Day, p.wait);
    case lnk::ExchangeKind::UploadNight:
        return lnk::uploadRequest(lnk::Layout::Night, p.wait);
    case lnk::ExchangeKind::UploadByLength:
        return lnk::uploadRequest(std::nullopt, p.wait);
    case lnk::ExchangeKind::Command:
        break;
    }
    return lnk::commandRequest(*p.command);
}

void PanelSession::applySound(presets::Sound sound)
{
    presets::apply(sound, m_params);
}

void PanelSession::applyReply(lnk::Layout layout, const QByteArray& reply)
{
    lnk::applyReply(layout, reply, m_params, [this](int v) { setProgress(v); });
}

void PanelSession::onFinished(const lnk::ExchangeResult& finished)
{
    m_exchange->deleteLater();
    m_exchange = nullptr;
    lnk::ExchangeResult result = finished;
    result.port = m_runningPort.name();
    if (!result.sent.isEmpty()) {
        m_lineQuietSince = Clock::now();
    }
    m_lineLog.append(result);
    const QString turnPort = std::exchange(m_turnPort, QString());
    PortTurns::instance().give(turnPort, this,
                               result.sent.isEmpty() ? std::nullopt : m_lineQuietSince);
    if (result.ok() && result.layout && m_running.use == ReplyUse::Apply) {
        applyReply(*result.layout, result.reply());
    } else if (!result.ok() && isFrame(result.kind)) {
        // A failed block transfer leaves the bar as it found it, wherever it failed.
        setProgress(m_progressBefore);
    } else if (!result.ok() && result.kind == lnk::ExchangeKind::Command) {
        setProgress(kProgressFull);
    }
    const bool more = !m_queue.empty();
    if (!more) {
        Q_EMIT busyChanged(false);
    }
    Q_EMIT exchangeFinished(result);
    if (more) {
        startNext();
    }
}

void PanelSession::setProgress(int value)
{
    if (value != m_progress) {
        m_progress = value;
        Q_EMIT progressChanged(value);
    }
}

} // namespace session
