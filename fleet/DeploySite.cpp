#include "fleet/DeploySite.h"

#include "fleet/ConfirmedRead.h"

#include "session/PortText.h"

namespace fleet {

DeploySite::DeploySite(qint64 run, DeployTarget target, const DeployRequest& request,
                       StoreWorker& store, QObject* parent)
    : QObject(parent), m_run(run), m_target(std::move(target)), m_request(request), m_store(store)
{
    m_result.deploy.site = m_target.site.name;
}

DeploySite::~DeploySite() = default;

void DeploySite::start()
{
    // The row says sending before a byte goes out: a run killed from here on still knows the
    // processor may hold the values, and a revert reaches it.
    const qint64 run = m_run;
    const QString site = m_target.site.name;
    m_store.call<std::optional<StoreError>>(
        this, [run, site](Store& s) { return s.setDeployState(run, site, DeployState::Sending); },
        [this](const std::optional<StoreError>& e) { onSending(e); });
}

void DeploySite::onSending(const std::optional<StoreError>& error)
{
    SiteDeploy& d = m_result.deploy;
    if (error) {
        d.outcome = DeployOutcome::NotSent;
        d.error = QStringLiteral("not recorded: %1").arg(error->message);
        return finish();
    }
    m_channel =
        std::make_unique<session::ProcessorChannel>(m_request.link.dataDir, m_request.link.lines);
    if (const QString e = m_channel->setPort(m_target.site.port); !e.isEmpty()) {
        d.outcome = DeployOutcome::Failed;
        d.error = e;
        return finish();
    }
    connect(m_channel.get(), &session::ProcessorChannel::finished, this, [this](const auto& r) {
        if (m_saving) {
            onSaved(r);
        } else {
            onSent(r);
        }
    });
    Q_EMIT sending(m_target.site.name);
    m_channel->send(m_request.layout, m_target.frame);
}

void DeploySite::onSent(const session::ChannelResult& result)
{
    if (!result.ok()) {
        m_result.portBusy = result.exchange.fault == lnk::LineFault::PortBusy;
        m_result.deploy.outcome = DeployOutcome::Failed;
        m_result.deploy.error = session::failureText(result.exchange);
        return end({});
    }
    // The read-back is a record's read, through a channel of its own that waits for this one's
    // frame gap by the port's turns; a reply that differs from what was sent is read twice.
    ExpectedValues expected;
    (m_request.layout == lnk::Layout::Day ? expected.day : expected.night) = m_target.frame;
    auto* read =
        new ConfirmedRead(m_target.site.port, m_request.link, expected, std::nullopt, this);
    connect(read, &ConfirmedRead::finished, this, [this, read](const LiveValues& back) {
        read->deleteLater();
        onReadBack(back);
    });
    read->start();
}

void DeploySite::onReadBack(const LiveValues& back)
{
    SiteDeploy& d = m_result.deploy;
    if (!back.ok) {
        d.outcome = DeployOutcome::Failed;
        d.error = back.error;
        return end({});
    }
    if (back.layout != m_request.layout) {
        // The processor answers with its active block: the values sent cannot be seen now, and
        // the reply is of another layout than the one sent, so nothing of it is kept here.
        d.outcome = DeployOutcome::OtherBlock;
        d.answered = back.layout;
        return end({});
    }
    const auto differences = session::differences(
        session::CarriedValues::ofLayout(m_request.layout, m_target.frame), back.carried());
    d.outcome = differences.isEmpty() ? DeployOutcome::Verified : DeployOutcome::NotVerified;
    d.differences = int(differences.size());
    Attempt attempt;
    attempt.at = back.at;
    attempt.taken = NewVersion{back.layout, back.values, Source::Deploy, m_request.by,
                               m_request.note.isEmpty() ? QStringLiteral("deploy %1").arg(m_run)
                                                        : m_request.note};
    end(attempt);
}

void DeploySite::end(const std::optional<Attempt>& readBack)
{
    const SiteDeploy& d = m_result.deploy;
    DeploySiteEnd e;
    e.state = d.outcome == DeployOutcome::Verified      ? DeployState::Verified
              : d.outcome == DeployOutcome::NotVerified ? DeployState::NotVerified
              : d.outcome == DeployOutcome::OtherBlock  ? DeployState::OtherBlock
                                                        : DeployState::Failed;
    e.readBack = readBack;
    e.differences = d.differences;
    e.detail = d.error;
    e.approve = m_request.approve && d.outcome == DeployOutcome::Verified;
    const qint64 run = m_run;
    const QString site = m_target.site.name;
    m_store.call<StoreResult<Recorded>>(
        this, [run, site, e](Store& s) { return s.endDeploySite(run, site, e); },
        [this](const StoreResult<Recorded>& r) { onEnded(r); });
}

void DeploySite::onEnded(const StoreResult<Recorded>& recorded)
{
    SiteDeploy& d = m_result.deploy;
    if (!recorded.ok()) {
        d.recordError = recorded.error->message;
    } else {
        d.version = recorded.value.version;
        m_result.events = recorded.value.events;
    }
    if (!m_request.save || d.outcome != DeployOutcome::Verified) {
        return finish();
    }
    // Saved only where the processor was seen to hold what was sent.
    m_saving = true;
    m_channel->command(m_request.layout == lnk::Layout::Day ? lnk::Command::Saveday
                                                            : lnk::Command::Savenight);
}

void DeploySite::onSaved(const session::ChannelResult& result)
{
    m_result.deploy.saveSent = result.ok();
    if (!result.ok()) {
        m_result.deploy.saveError = session::failureText(result.exchange);
    }
    finish();
}

void DeploySite::finish()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(m_result); }, Qt::QueuedConnection);
}

} // namespace fleet
