#pragma once

#include "fleet/Hooks.h"
#include "fleet/JobPool.h"
#include "fleet/SiteUpload.h"
#include "fleet/StoreWorker.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>
#include <memory>

// A deploy: one sound sent to many sites, each read back and compared with what was sent. The
// first sites (the canaries) go one at a time; the rest through the job pool once every canary
// is verified. A canary that is not verified stops the run; so does any other site that is not,
// unless the run goes on after failures. A stopped run starts no new site; those in flight
// finish. Every run is recorded, and a revert sends each site it reached its version from before.
namespace fleet {

// Where a deploy's values come from, as given: a parameter file (a path that exists, or one
// starting with "./"), "SITE:VERSION" or "SITE:reference".
struct DeploySource
{
    enum class Kind
    {
        File,
        Version,
        Reference,
    };
    Kind kind = Kind::File;
    QString text; // as given
    QString path; // File
    QString site; // Version, Reference
    int version = 0;
};

// The source, or the usage error that says why the text is none.
std::optional<DeploySource> parseDeploySource(const QString& text, QString* error);

// The values a source holds, read from the store or the file: for a version or a reference, its
// layout's members only (layout set); for a file, every member a parameter file holds.
struct SourceValues
{
    std::optional<StoreError> error;   // an unknown site, version or reference; the store
    QString fileError;                 // the file does not read (a usage error)
    std::optional<lnk::Layout> layout; // nothing: a file, which holds both layouts
    Values values = initialValues();
    session::CarriedValues carried() const;
};
// On the store's thread.
SourceValues readSource(Store& store, const DeploySource& source, lnk::Layout sent);

struct DeployRequest
{
    QString source;               // as given; empty for a revert
    std::optional<qint64> revert; // the run whose reached sites go back to their version before
    Selection selection;
    lnk::Layout layout = lnk::Layout::Day;
    int canaries = 1;
    bool continueAfterFailure = false;
    bool acceptOtherBlock = false;
    bool save = false;    // the layout's save command, to each verified site
    bool approve = false; // each verified version becomes the site's reference
    QString note;
    QString by = currentActor();
    LinkSetup link;
    QString hookCommand; // empty: none; else "deployed" events (and drift, recovered)
    std::chrono::milliseconds hookLimit = kHookLimit;
    std::chrono::milliseconds hooksDeadline = std::chrono::minutes(5);
};

// One site of the plan, with what the deploy would change there.
struct DeployTarget
{
    Site site;
    std::optional<int> before;      // its latest version of the layout
    Values frame = initialValues(); // what its frame carries
    // The latest version against what is sent (the members the layout's reply carries); empty
    // for the same values. Nothing when the site has no version of the layout yet.
    std::optional<QList<session::Difference>> differences;
    QString notSent;              // why it is never sent (another desk's port); skipped: why
    bool skipped = false;         // another desk's port in a group or all: left out of the run
    bool nothingToRevert = false; // a revert: no version of the layout before the run
};

struct DeployPlan
{
    std::optional<StoreError> error; // no store, an unknown site or group
    QString usageError;              // a source that does not read, or of the other layout
    lnk::Layout layout = lnk::Layout::Day;
    QString source;            // as the record keeps it
    QList<DeployTarget> sites; // in name order (a revert: the run's order)
    int toSend() const;        // sites that will be sent to
};

enum class DeployOutcome
{
    Verified,
    NotVerified,
    OtherBlock,
    Failed,
    NotSent,
    NothingToRevert,
    Skipped, // another desk's port in a group or all
};

struct SiteDeploy
{
    QString site;
    DeployOutcome outcome = DeployOutcome::NotSent;
    bool canary = false;
    int version = 0;     // Verified, NotVerified: the read-back's version
    int differences = 0; // NotVerified
    QString error;       // Failed: the message; NotSent: the reason ("stopped after west")
    lnk::Layout answered = lnk::Layout::Day; // OtherBlock: the block it runs
    bool saveSent = false;
    QString saveError;   // the save command failed (the site then counts as failed)
    QString recordError; // the read-back could not be recorded
    bool ok() const;     // verified, saved when asked, recorded
};

// "verified, version 5", "sent, not verified (3 differences)", "failed: MESSAGE", "not sent
// (stopped after west)", "sent, not verifiable now (runs its night block)", "nothing to revert to",
// "skipped (local to HOST)"
QString outcomeText(const SiteDeploy& site);
QString outcomeWord(DeployOutcome outcome); // for JSON: "verified", "not verified", ...

struct DeployReport
{
    std::optional<StoreError> error; // the run did not begin
    qint64 id = 0;
    QList<SiteDeploy> sites; // in the plan's order
    QString stoppedAfter;    // the site that stopped the run; empty when it ran to its end
    QList<HookFailure> hookFailures;
    QString recordError; // the run's own record could not be kept (its end, its leases)
    double seconds = 0;
    // Every site sent to verified (skipped ones aside).
    bool allVerified() const;
    int count(DeployOutcome outcome) const;
};

class DeployRun : public QObject
{
    Q_OBJECT

public:
    DeployRun(DeployRequest request, StoreWorker& store, QObject* parent = nullptr);
    ~DeployRun() override;

    // Reads the source and the sites: planned() follows. Nothing is sent.
    void plan();
    // After planned() without an error: the run begins. siteDone() as each site ends, then
    // finished().
    void run();
    // No new site starts; those in flight finish (their sites are reported as they end).
    void stop();
    const DeployPlan& currentPlan() const { return m_plan; }

Q_SIGNALS:
    void planned(const fleet::DeployPlan& plan);
    void siteSending(const QString& site);
    void siteDone(const fleet::SiteDeploy& site, int done, int total);
    void hookFailed(const fleet::HookFailure& failure);
    void hookOutput(const QByteArray& bytes);
    void finished(const fleet::DeployReport& report);

private:
    void onBegun(const StoreResult<DeployStarted>& started);
    void nextCanary();
    void startSite(int index, bool canary);
    void siteEnded(int index, const SiteDeploy& site);
    bool stopsTheRun(const SiteDeploy& site) const;
    void maybeFinish();
    void finishNow();

    struct Private;
    std::unique_ptr<Private> d;
    DeployRequest m_request;
    StoreWorker& m_store;
    DeployPlan m_plan;
    DeployReport m_report;
};

} // namespace fleet
