#include "dialogs/SitesDesk.h"

#include "dialogs/frmSites.h"
#include "fleet/Spool.h"
#include "fleet/StoreLocation.h"
#include "session/PanelSession.h"

#include <QWidget>

SitesDesk::SitesDesk(session::PanelSession& session, Prompts& prompts, QWidget* window)
    : QObject(window), m_session(session), m_prompts(prompts), m_parent(window)
{
    const fleet::LocationParse where = fleet::storeLocationFor(session.dataDir());
    if (!where.location) {
        m_problem = where.error;
        return;
    }
    m_store =
        std::make_unique<fleet::StoreWorker>(*where.location, fleet::placeHere(session.dataDir()));
    const fleet::PolicyParse policy = fleet::fleetPolicy(session.dataDir());
    if (!policy.error.isEmpty()) {
        m_problem = policy.error;
        m_store.reset();
        return;
    }
    m_policy = policy.policy;
    fleet::LinkSetup link;
    link.dataDir = session.dataDir();
    link.monitor = &session.lineLog();
    link.pool = m_policy.pool;
    link.policy = m_policy;
    // What the panel or a run could not record before it ended is recorded now, each at its
    // own time.
    m_store->call<bool>(
        this,
        [dir = session.dataDir()](fleet::Store& s) {
            return !fleet::recordThroughSpool(s, dir, {}, true).spoolError;
        },
        [](bool) {});
    m_recorder = new fleet::PanelRecorder(*m_store, link, fleet::currentActor(), this);
    connect(&session, &session::PanelSession::exchangeFinished, m_recorder,
            [this](const lnk::ExchangeResult& result) {
                m_recorder->exchangeFinished(m_session.port(), result);
            });
    connect(m_recorder, &fleet::PanelRecorder::recorded, this, [this](const QString& site, int) {
        if (m_window) {
            m_window->siteRecorded(site);
        }
    });
    connect(m_recorder, &fleet::PanelRecorder::storeFailed, this, [this](const QString& message) {
        m_storeFailure = message;
        if (m_window) {
            m_window->storeFailed(message);
        }
    });
}

SitesDesk::~SitesDesk()
{
    // The window, the recorder and their runs use the store: they go first.
    delete m_window;
    delete m_recorder;
}

frmSites* SitesDesk::open()
{
    if (m_window == nullptr) {
        fleet::LinkSetup link;
        link.dataDir = m_session.dataDir();
        link.pool = m_policy.pool;
        link.policy = m_policy;
        m_window = new frmSites(m_store.get(), link, m_session, m_prompts, m_problem, m_parent);
        // Closing only hides it: a backup it started runs on to its end.
        m_window->setWindowFlag(Qt::Window);
        connect(m_window, &frmSites::openInPanel, this, &SitesDesk::openInPanel);
        if (!m_storeFailure.isEmpty()) {
            m_window->storeFailed(m_storeFailure);
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return m_window;
}
