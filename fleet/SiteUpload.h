#pragma once

#include "fleet/JobPool.h"
#include "fleet/StoreTypes.h"
#include "session/PanelSession.h"

#include <QObject>

// One upload from a site's processor, the reply taken by its length (the processor answers with
// its active block). A port another program holds fails the upload with portBusy set; the job
// pool decides whether to try again.
namespace fleet {

// What an upload brought.
struct LiveValues
{
    bool ok = false;
    QString error; // failures: the panel's message and the line's words
    lnk::Layout layout = lnk::Layout::Day;
    Values values = initialValues(); // members the reply does not carry: initial values
    QDateTime at;                    // UTC, when the reply was taken
    int tries = 0;
    bool portBusy = false; // failed because another program holds the port

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
};

class SiteUpload : public QObject
{
    Q_OBJECT

public:
    // port: as the store keeps it (session::portText).
    SiteUpload(const QString& port, const LinkSetup& link, QObject* parent = nullptr);

    void start();
    session::PanelSession& session() { return m_session; }

Q_SIGNALS:
    void finished(const fleet::LiveValues& result);

private:
    void onFinished(const lnk::ExchangeResult& result);

    session::PanelSession m_session;
    LiveValues m_result;
    QString m_portError;
};

// The session environment for a fleet operation's own session on a port.
session::SessionEnvironment sessionEnvironment(const LinkSetup& link);

// Points a session at a port as the store keeps it; the error when the text does not parse.
QString setSessionPort(session::PanelSession& session, const QString& port);

} // namespace fleet
