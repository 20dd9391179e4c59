#pragma once

#include "fleet/Deploy.h"

// The parts of a deploy run: its plan, read on the store's thread, and one site's attempt.
namespace fleet {

// What a deploy (or a revert) would do, site by site; on the store's thread.
DeployPlan planDeploy(Store& store, const DeployRequest& request);

// One site's attempt, as the job pool runs it.
struct SiteAttempt
{
    SiteDeploy deploy;
    QList<SiteEvent> events;
    bool portBusy = false; // the send failed on a port another program holds: it may be tried again
    QString error;         // set by the pool alone: its deadline passed
};

// Writes the site's row as sending, sends its frame, reads it back (a confirmed read, after the
// frame gap), ends the row with what came of it, and saves when asked and verified.
class DeploySite : public QObject
{
    Q_OBJECT

public:
    DeploySite(qint64 run, DeployTarget target, const DeployRequest& request, StoreWorker& store,
               QObject* parent = nullptr);
    ~DeploySite() override;
    void start();

Q_SIGNALS:
    void sending(const QString& site);
    void finished(const fleet::SiteAttempt& result);

private:
    void onSending(const std::optional<StoreError>& error);
    void onSent(const session::ChannelResult& result);
    void onReadBack(const LiveValues& back);
    // The row's end, with the read-back to record (verified or not).
    void end(const std::optional<Attempt>& readBack);
    void onEnded(const StoreResult<Recorded>& recorded);
    void onSaved(const session::ChannelResult& result);
    void finish();

    qint64 m_run = 0;
    DeployTarget m_target;
    const DeployRequest& m_request;
    StoreWorker& m_store;
    std::unique_ptr<session::ProcessorChannel> m_channel;
    bool m_saving = false;
    SiteAttempt m_result;
};

} // namespace fleet
