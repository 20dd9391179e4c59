#pragma once

#include "fleet/SiteUpload.h"
#include "fleet/StoreWorker.h"

#include <QObject>

#include <memory>

// Restoring a stored version: its frame sent (the day or the night frame, for its layout), the
// processor read back, the read-back stored as a version of its own (source restore, "restored
// from version N") and compared with what was sent. A night version can be verified only while
// the processor answers with its night block.
namespace fleet {

struct RestoreRequest
{
    QString site;
    int version = 0;
    bool save = false; // then the layout's save command, so the processor keeps the values
    LinkSetup link;
    QString by = currentActor();
};

struct RestoreResult
{
    enum class Verification
    {
        NotReached, // nothing was read back: the send or the read-back failed
        Verified,   // the processor holds the version's values
        Differs,    // it holds other values: the frame was not taken
        OtherBlock, // it answers with its other block: no verdict possible
    };

    std::optional<StoreError> error; // before any exchange: the site, the version, the store
    QString site;
    int version = 0;
    lnk::Layout layout = lnk::Layout::Day;
    QString sendError;     // the frame could not be sent
    QString readBackError; // the read-back failed
    Verification verification = Verification::NotReached;
    QList<session::Difference> differences; // Differs: version -> read back
    int readBackVersion = 0;                // the version the read-back was stored as
    QString recordError;                    // the read-back could not be stored
    bool saveSent = false;
    QString saveError;

    // "sent, not verified: the processor answers with its day block", or empty.
    QString notVerifiedText() const;
    bool ok() const
    {
        return !error && verification == Verification::Verified && saveError.isEmpty() &&
               recordError.isEmpty();
    }
};

class RestoreRun : public QObject
{
    Q_OBJECT

public:
    RestoreRun(RestoreRequest request, StoreWorker& store, QObject* parent = nullptr);
    ~RestoreRun() override;
    void start();

Q_SIGNALS:
    void finished(const fleet::RestoreResult& result);

private:
    struct Stored
    {
        std::optional<StoreError> error;
        Site site;
        Version version;
        std::optional<Version> other; // the latest version of the other layout
    };
    void onStored(const Stored& stored);
    void onExchange(const session::ChannelResult& result);
    void onReadBack(const LiveValues& back);
    void onRecorded(const StoreResult<Recorded>& recorded);
    void finish();

    enum class Step
    {
        Send,
        ReadBack,
        Save,
    };

    RestoreRequest m_request;
    StoreWorker& m_store;
    std::unique_ptr<session::ProcessorChannel> m_channel;
    Step m_step = Step::Send;
    Stored m_stored;
    RestoreResult m_result;
};

} // namespace fleet
