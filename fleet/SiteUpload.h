#pragma once

#include "fleet/StoreTypes.h"
#include "session/ProcessorChannel.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

// One read of a site's processor for the record: an upload whose reply is taken only at exactly
// its layout's length (the processor answers with its active block), confirmed by a second read
// whenever it differs from what the site is expected to hold. A port another program holds is
// tried again after a pause, a few times, before the site counts as failed.
namespace fleet {

using namespace std::chrono_literals;

struct RetryPolicy
{
    int retries = 3;                      // tries after the first, for a busy port only
    std::chrono::milliseconds pause = 5s; // between two tries
};

// What a read brought.
struct LiveValues
{
    bool ok = false;
    QString error; // failures: the panel's message and the line's words
    bool portBusy = false;
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues(); // members the reply does not carry: initial values
    QDateTime at;                    // UTC, when the reply was taken
    int tries = 0;
    int reads = 0; // replies taken: 1, or 2 when the first needed confirming

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
    RetryPolicy retry;
    // Also shows every exchange there (the panel's line monitor, for the backups it starts).
    session::LineLog* monitor = nullptr;
};

// What a site is expected to hold in a layout (its latest version, its reference, the version
// just sent); nothing when there is no such thing. A reply equal to it needs no second read.
using Expected = std::function<std::optional<Values>(lnk::Layout)>;

// The two replies of a confirmed read, judged: the values to take, or the failure.
struct Confirmation
{
    bool ok = false;
    QString error;
};
Confirmation confirm(lnk::Layout firstLayout, const Values& first, lnk::Layout secondLayout,
                     const Values& second, const std::optional<Values>& expectedSecond);

class SiteUpload : public QObject
{
    Q_OBJECT

public:
    // port: as the store keeps it (session::portText).
    SiteUpload(const QString& port, const LinkSetup& link, QObject* parent = nullptr);

    // Without expected values every reply is confirmed by a second one.
    void setExpected(Expected expected) { m_expected = std::move(expected); }
    void start();
    session::ProcessorChannel& channel() { return m_channel; }

Q_SIGNALS:
    void finished(const fleet::LiveValues& result);

private:
    void read();
    void onFinished(const session::ChannelResult& result);
    void finish();

    session::ProcessorChannel m_channel;
    RetryPolicy m_retry;
    Expected m_expected;
    QTimer m_pause;
    LiveValues m_result;
    std::optional<LiveValues> m_first; // the reply that waits for its confirmation
    QString m_portError;
};

} // namespace fleet
