#pragma once

#include "fleet/BackupRun.h"
#include "fleet/StoreWorker.h"
#include "link/Exchange.h"

#include <QObject>

// How the panel's exchanges with a site's port reach that site's history: only through what the
// processor was read to hold. A frame sent is not a version (the processor may not have taken
// it): once it has left the line the site is backed up, a confirmed read like any backup, with
// source panel. An upload or a compare is recorded the same way, and only when its reply differs
// from the site's latest version of that layout. The store works on its own thread; the
// exchange's result stands whatever the store says, and a failing store is reported once.
namespace fleet {

class PanelRecorder : public QObject
{
    Q_OBJECT

public:
    // link: where the backups reach the processors; its monitor shows their exchanges.
    PanelRecorder(StoreWorker& store, LinkSetup link, QString by = currentActor(),
                  QObject* parent = nullptr);

    // port: the port the exchange ran on (the session's port()).
    void exchangeFinished(const lnk::PortRef& port, const lnk::ExchangeResult& result);

Q_SIGNALS:
    // A site backed up after a panel exchange; version: the one stored, 0 when none was.
    void recorded(const QString& site, int version);
    // The first failure of the store in this run; later ones are not signalled.
    void storeFailed(const QString& message);

private:
    void backUp(const QString& site);
    void reportStoreFailure(const QString& message);

    StoreWorker& m_store;
    LinkSetup m_link;
    QString m_by;
    bool m_failureReported = false;
};

} // namespace fleet
