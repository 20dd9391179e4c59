#pragma once

#include "fleet/SiteUpload.h"
#include "fleet/StoreWorker.h"

#include <QObject>

// Comparisons of a site's values: two versions, a version and the reference, any of them and
// the processor now (an upload), and the drift of sites from their references. Only the members
// both sides carry are compared.
namespace fleet {

struct DiffSideChoice
{
    enum class Kind
    {
        Version,
        Reference,
        Live,
    };
    Kind kind = Kind::Version;
    int number = 0; // Version
};

// A version number, "reference" or "live"; nothing when the text is none of them.
std::optional<DiffSideChoice> parseDiffSide(const QString& text);

struct DiffSide
{
    DiffSideChoice choice;
    int version = 0; // the stored version compared (Version, Reference); 0: a sound reference
    QString origin;  // a sound reference: where its values came from
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues();

    session::CarriedValues carried() const
    {
        return session::CarriedValues::ofLayout(layout, values);
    }
    // "version 3", "reference (version 2)", "reference (from sound.DAB)", "live"
    QString label() const;
};

struct DiffResult
{
    std::optional<StoreError> error; // a site, version or reference that is not there; the store
    QString liveError;               // the upload failed
    QString site;
    DiffSide a;
    DiffSide b;
    QList<session::Difference> differences; // a -> b

    bool ok() const { return !error && liveError.isEmpty(); }
};

// A against B of one site. Defaults: A the version before the latest of the latest's layout,
// B the latest. "reference" is the reference of the other side's layout.
class DiffRun : public QObject
{
    Q_OBJECT

public:
    DiffRun(QString site, std::optional<DiffSideChoice> a, std::optional<DiffSideChoice> b,
            LinkSetup link, StoreWorker& store, QObject* parent = nullptr);
    void start();

Q_SIGNALS:
    void finished(const fleet::DiffResult& result);

private:
    struct Stored
    {
        std::optional<StoreError> error;
        Site site;
        QList<Version> versions;
        QList<Version> references; // either kind, day first
    };
    void onStored(const Stored& stored);
    void onLive(const LiveValues& live);
    void resolve();
    void finish();

    QString m_site;
    std::optional<DiffSideChoice> m_a;
    std::optional<DiffSideChoice> m_b;
    LinkSetup m_link;
    StoreWorker& m_store;
    Stored m_stored;
    std::optional<LiveValues> m_live;
    DiffResult m_result;
};

struct SiteDrift
{
    enum class State
    {
        NoDrift,
        Drift,
        NoReference, // no reference for the layout the site holds (or no version yet)
        Failed,      // --live: the upload failed
        NotLocal,    // --live, named: the port is another desk's, not reached
        Skipped,     // --live over a group or all: the port is another desk's, not reached
    };
    QString site;
    State state = State::NoReference;
    std::optional<lnk::Layout> layout;
    int reference = 0;                      // the reference's version number; 0: a sound
    QString referenceOrigin;                // a sound reference: where its values came from
    int version = 0;                        // the latest version compared (0 for live)
    QList<session::Difference> differences; // reference -> now
    QString error;                          // Failed, Skipped: why
};

struct DriftReport
{
    std::optional<StoreError> error; // the selection or the store; no processor was asked
    QList<SiteDrift> sites;          // in site-name order

    // Drift, no reference or a failure somewhere: what a scheduled check treats as trouble.
    bool anyTrouble() const;
};

// The drift of the chosen sites: their latest stored versions, or with live what each
// processor holds now, against the reference of that layout.
class DriftRun : public QObject
{
    Q_OBJECT

public:
    DriftRun(Selection selection, bool live, LinkSetup link, StoreWorker& store,
             QObject* parent = nullptr);
    void start();

Q_SIGNALS:
    void finished(const fleet::DriftReport& report);

private:
    struct SiteState
    {
        Site site;
        std::optional<Version> latest;
        std::optional<Version> day;
        std::optional<Version> night;
    };
    struct Stored
    {
        std::optional<StoreError> error;
        QList<SiteState> sites;
    };
    void onStored(const Stored& stored);
    void onLive(int index, const LiveValues& live);
    void finish();

    Selection m_selection;
    bool m_live = false;
    LinkSetup m_link;
    StoreWorker& m_store;
    Stored m_stored;
    QList<SiteDrift> m_results;
    int m_waiting = 0;
    JobPool* m_pool = nullptr;
};

// The drift of values of a layout against the site's references.
SiteDrift driftOf(const QString& site, lnk::Layout layout, const Values& values, int version,
                  const std::optional<Version>& dayReference,
                  const std::optional<Version>& nightReference);

} // namespace fleet
