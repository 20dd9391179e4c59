#include "session/PanelSession.h"

#include "link/PortMap.h"
#include "link/PortNames.h"
#include "session/PortText.h"
#include "storage/DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace session {
namespace {

// A failed command leaves the bar full, as it was while the command ran.
constexpr int kProgressFull = 23;

bool isFrame(lnk::ExchangeKind k)
{
    return k == lnk::ExchangeKind::SendDay || k == lnk::ExchangeKind::SendNight;
}

} // namespace

PanelSession::PanelSession(SessionEnvironment env, QObject* parent)
    : QObject(parent), m_env(std::move(env)),
      // Decided once: the lines, the dialogs and every file must agree for the whole run.
      m_dataDir(m_env.dataDir.isEmpty() ? storage::chooseDataDir(m_env.programDir) : m_env.dataDir),
      m_channel(m_dataDir, m_env.lines)
{
    connect(&m_channel, &ProcessorChannel::busyChanged, this, &PanelSession::busyChanged);
    connect(&m_channel, &ProcessorChannel::started, this, &PanelSession::onStarted);
    connect(&m_channel, &ProcessorChannel::progress, this, &PanelSession::setProgress);
    connect(&m_channel, &ProcessorChannel::finished, this, &PanelSession::onFinished);
    connect(&m_params, &model::ParameterSet::changed, this, &PanelSession::parametersChanged);
}

PanelSession::~PanelSession() = default;

void PanelSession::setPortNo(int portNo)
{
    if (portNo >= 0 && portNo <= lnk::kMaxPortNo) {
        m_portNo = portNo;
        m_channel.setPort(lnk::PortRef{portNo, {}});
    }
}

void PanelSession::setPortAddress(const QString& address)
{
    m_channel.setPort(address.isEmpty() ? lnk::PortRef{m_portNo, {}} : lnk::PortRef{-1, address});
}

lnk::PortRef PanelSession::port() const
{
    return m_channel.port();
}

void PanelSession::enqueueUse(ReplyUse use)
{
    m_uses.push_back(use);
}

void PanelSession::sendDay()
{
    enqueueUse(ReplyUse::Apply);
    m_channel.send(lnk::Layout::Day, [this] { return m_params.values(); });
}

void PanelSession::sendNight()
{
    enqueueUse(ReplyUse::Apply);
    m_channel.send(lnk::Layout::Night, [this] { return m_params.values(); });
}

void PanelSession::uploadDay(std::chrono::milliseconds wait)
{
    enqueueUse(ReplyUse::Apply);
    m_channel.upload(lnk::Layout::Day, wait);
}

void PanelSession::uploadNight()
{
    enqueueUse(ReplyUse::Apply);
    m_channel.upload(lnk::Layout::Night, lnk::kNightUploadWait);
}

void PanelSession::upload(ReplyUse use)
{
    enqueueUse(use);
    m_channel.upload(std::nullopt, lnk::kNightUploadWait);
}

void PanelSession::command(lnk::Command command)
{
    enqueueUse(ReplyUse::Apply);
    m_channel.command(command);
}

void PanelSession::onStarted(lnk::ExchangeKind)
{
    m_progressBefore = m_progress;
}

void PanelSession::applySound(presets::Sound sound)
{
    presets::apply(sound, m_params);
}

void PanelSession::applyReply(lnk::Layout layout, const QByteArray& reply)
{
    lnk::applyReply(layout, reply, m_params, [this](int v) { setProgress(v); });
}

void PanelSession::onFinished(const ChannelResult& finished)
{
    const ReplyUse use = m_uses.empty() ? ReplyUse::Apply : m_uses.front();
    if (!m_uses.empty()) {
        m_uses.pop_front();
    }
    const lnk::ExchangeResult& result = finished.exchange;
    if (result.ok() && result.layout && use == ReplyUse::Apply) {
        applyReply(*result.layout, result.reply());
    } else if (!result.ok() && isFrame(result.kind)) {
        // A failed block transfer leaves the bar as it found it, wherever it failed.
        setProgress(m_progressBefore);
    } else if (!result.ok() && result.kind == lnk::ExchangeKind::Command) {
        setProgress(kProgressFull);
    }
    Q_EMIT exchangeFinished(result);
}

void PanelSession::setProgress(int value)
{
    if (value != m_progress) {
        m_progress = value;
        Q_EMIT progressChanged(value);
    }
}

} // namespace session
