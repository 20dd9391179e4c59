#pragma once

#include "dialogs/frmSites.h"
#include "fleet/PanelRecorder.h"
#include "model/ParameterSet.h"

#include <QObject>
#include <QPointer>

#include <memory>

class Prompts;
class QWidget;

namespace session {
class PanelSession;
}

// The panel's side of the fleet: the store of its data folder (or the one fleet.ini names) on a
// thread of its own, the recorder that keeps the panel's exchanges with a site's port as that
// site's versions, and the Sites window over them.
class SitesDesk : public QObject
{
    Q_OBJECT

public:
    SitesDesk(session::PanelSession& session, Prompts& prompts, QWidget* window);
    ~SitesDesk() override;

    // Opens the Sites window, or brings it to the front.
    frmSites* open();
    frmSites* window() const { return m_window; }
    fleet::StoreWorker* store() const { return m_store.get(); }
    // Why the data folder names no usable store; empty when it does.
    const QString& problem() const { return m_problem; }

Q_SIGNALS:
    void openInPanel(const model::ParameterSet::Values& values, const QString& caption);

private:
    session::PanelSession& m_session;
    Prompts& m_prompts;
    QWidget* m_parent;
    QString m_problem;
    fleet::FleetPolicy m_policy; // fleet.ini [fleet]: the window's and recorder's hooks
    std::unique_ptr<fleet::StoreWorker> m_store;
    fleet::PanelRecorder* m_recorder = nullptr;
    QPointer<frmSites> m_window;
    QString m_storeFailure; // the recorder's first failure, shown when the window opens
};
