#pragma once

#include "cli/Arguments.h"
#include "cli/Progress.h"
#include "fleet/BackupRun.h"
#include "fleet/Compare.h"
#include "fleet/Deploy.h"
#include "fleet/Restore.h"

#include <QObject>

#include <memory>

// One fleet verb, from the checked command line to its exit status: the store's own verbs
// answer at once, those that talk to processors run on the event loop with the store on a
// thread of its own.
namespace cli {

// What a store failure exits with: 2 for wrong input (an unknown site or version, a name or
// port not allowed, no store where one is read), 1 for a store that failed.
int storeExitStatus(const fleet::StoreError& error);

class FleetCommand : public QObject
{
    Q_OBJECT

public:
    FleetCommand(Invocation invocation, QString dataDir, fleet::StoreLocation location,
                 QObject* parent = nullptr);
    ~FleetCommand() override;

    // finished() follows, from the event loop.
    void start();

Q_SIGNALS:
    void finished(int exitStatus);

private:
    // The verbs answered from the store alone; each returns the exit status.
    int siteAdd(fleet::Store& store);
    int siteSet(fleet::Store& store);
    int siteRemove(fleet::Store& store);
    int siteList(fleet::Store& store);
    int history(fleet::Store& store);
    int exportVersion(fleet::Store& store);
    int approve(fleet::Store& store);
    int unapprove(fleet::Store& store);
    int approveSound(fleet::Store& store);
    int deploys(fleet::Store& store);

    // The check answers within its own time, whatever the store does (CheckVerb.cpp); it and
    // the verbs that talk to processors end through done().
    void startCheck();
    void startBackup();
    void onBackupFinished(const fleet::BackupReport& report);
    void startDiff();
    void onDiffFinished(const fleet::DiffResult& diff);
    void startDrift();
    void onDriftFinished(const fleet::DriftReport& report);
    void startRestore();
    void onPreview(const fleet::DiffResult& preview);
    void sendRestore();
    void onRestoreFinished(const fleet::RestoreResult& result);
    // deploy and its revert (DeployCommand.cpp)
    void startDeploy();
    void onDeployPlanned(const fleet::DeployPlan& plan);
    void onDeployFinished(const fleet::DeployReport& report);

    fleet::LinkSetup link() const;
    fleet::StoreWorker& worker();
    void print(const QString& text, const QJsonObject& json) const;
    int failure(const fleet::StoreError& error) const;
    int usage(const QString& error) const;
    void done(int exitStatus);

    Invocation m_inv;
    const FleetArguments& m_args;
    QString m_dataDir;
    fleet::StoreLocation m_location;
    fleet::FleetPolicy m_policy; // fleet.ini [fleet]; the command's flags override it
    std::unique_ptr<fleet::StoreWorker> m_worker;
    std::unique_ptr<ProgressLine> m_progress;
    fleet::DeployRun* m_deploy = nullptr;
};

} // namespace cli
