#pragma once

#include "fleet/FleetPolicy.h"
#include "fleet/JobPool.h"
#include "fleet/StoreTypes.h"
#include "session/ProcessorChannel.h"

#include <QObject>

// One read of a site's processor for the record, through a channel of its own: an upload whose
// reply is taken only at exactly its layout's length (the processor answers with its active
// block; the reply has no checksum, its length is its only check). A port another program holds
// fails the read with portBusy set; the job pool decides whether to try again, and
// ConfirmedRead whether a second read is due.
namespace fleet {

// What a read brought.
struct LiveValues
{
    bool ok = false;
    QString error; // failures: the panel's message and the line's words
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues(); // members the reply does not carry: initial values
    QDateTime at;                    // UTC, when the reply was taken
    int tries = 0;
    bool portBusy = false; // failed because another program holds the port
    // The next frame to the site may start then (its frame gap after this read's request).
    std::optional<std::chrono::steady_clock::time_point> nextFrameAt;
    // A first reply that differs from what was expected, handed back for its second read (see
    // addConfirmedRead).
    bool confirmationDue = false;

    session::CarriedValues carried() const
    {
        return session::CarriedValues::ofLayout(layout, values);
    }
};

// Where a fleet operation reaches processors: the data folder (port numbers resolve through
// it), and for tests a line provider of their own.
struct LinkSetup
{
    QString dataDir;
    lnk::LineProvider* lines = nullptr;
    PoolSettings pool; // how many-site runs pace their sites
    // The data folder's fleet.ini [fleet], for the front ends without flags of their own (the
    // Sites window, the panel's recordings): their hooks and metrics.
    FleetPolicy policy;
    // Also shows every exchange there (the panel's line monitor, for the backups it starts).
    session::LineLog* monitor = nullptr;

    // This machine with that data folder: which sites' local ports it may reach.
    Place place() const { return placeHere(dataDir); }
};

class SiteUpload : public QObject
{
    Q_OBJECT

public:
    // port: as the store keeps it (session::portText).
    SiteUpload(const QString& port, const LinkSetup& link, QObject* parent = nullptr);

    void start();

Q_SIGNALS:
    void finished(const fleet::LiveValues& result);

private:
    void onFinished(const session::ChannelResult& result);

    session::ProcessorChannel m_channel;
    LiveValues m_result;
    QString m_portError;
};

} // namespace fleet
