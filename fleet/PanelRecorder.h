#pragma once

#include "fleet/StoreWorker.h"
#include "link/Exchange.h"

#include <QObject>

// What the panel does with the fleet until it has a window for it: every frame it sends and
// every upload it takes on a port that is a site's port becomes a version of that site (source
// panel). The store works on its own thread; the exchange's result stands whatever the store
// says, and a failing store is reported once.
namespace fleet {

// The values an exchange carried: a sent frame as the processor reads it, an accepted upload's
// reply. Nothing for anything else.
std::optional<NewVersion> versionOfExchange(const lnk::ExchangeResult& result);

class PanelRecorder : public QObject
{
    Q_OBJECT

public:
    PanelRecorder(StoreWorker& store, QString by = currentActor(), QObject* parent = nullptr);

    // port: the port the exchange ran on (the session's port()).
    void exchangeFinished(const lnk::PortRef& port, const lnk::ExchangeResult& result);

Q_SIGNALS:
    // A version stored for a site.
    void recorded(const QString& site, int version);
    // The first failure of the store in this run; later ones are not signalled.
    void storeFailed(const QString& message);

private:
    StoreWorker& m_store;
    QString m_by;
    bool m_failureReported = false;
};

} // namespace fleet
