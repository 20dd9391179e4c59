#pragma once

#include "fleet/BackupRun.h"
#include "model/ParameterSet.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class Prompts;
class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class SitesModel;
class frmDeploy;
class frmDeploys;
class frmSiteHistory;
class QHBoxLayout;

namespace session {
class PanelSession;
}

// The Sites window: every site of the store at a glance (state, last backup, last change,
// drift), backups of all or some of them while the panel stays live, and the way into a site's
// history. Not modal. The store is only ever reached through the store worker's thread: a slow
// or dead store shows in the window's status line, never as a frozen panel.
class frmSites : public QDialog
{
    Q_OBJECT

public:
    // store: null when the data folder names no usable store; problem then says why.
    frmSites(fleet::StoreWorker* store, fleet::LinkSetup link, session::PanelSession& session,
             Prompts& prompts, const QString& problem = {}, QWidget* parent = nullptr);
    ~frmSites() override;

    // Reads the sites again.
    void reload();
    // A version was stored for the site (by the panel's own exchange, say): its row follows.
    void siteRecorded(const QString& site);
    void storeFailed(const QString& message);

    SitesModel* model() const { return m_model; }
    QSortFilterProxyModel* proxy() const { return m_proxy; }
    bool backupRunning() const { return m_run != nullptr; }
    // The site of the selected (or current) row; empty when none.
    QString currentSite() const;
    QStringList selectedSites() const;
    // A deploy window for the selected sites, or all when none is selected.
    frmDeploy* deployToSelected();
    // The past deploys, or brings their window to the front.
    frmDeploys* showDeploys();

    QLabel* lblStatus = nullptr;
    QTableView* tblSites = nullptr;
    QProgressBar* barProgress = nullptr;
    QPushButton* cmdBackupAll = nullptr;
    QPushButton* cmdBackupSelected = nullptr;
    QPushButton* cmdHistory = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdApprove = nullptr;
    QPushButton* cmdDeploy = nullptr;
    QPushButton* cmdDeploys = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* cmdClose = nullptr;

Q_SIGNALS:
    // A version's values for the panel, as one undoable step under caption; nothing is sent.
    void openInPanel(const model::ParameterSet::Values& values, const QString& caption);
    // A reload ended (tests and the benchmark wait for it).
    void sitesShown();
    void backupFinished(const fleet::BackupReport& report);

private:
    void backUp(const fleet::Selection& selection, const QStringList& names);
    void onSiteDone(const fleet::SiteBackup& site, int done, int total);
    void onBackupFinished(const fleet::BackupReport& report);
    void showHistory();
    void openLatest();
    void approveLatest();
    void addSite();
    void editSite();
    void removeSite();
    void addDeployButtons(QHBoxLayout* row);
    frmDeploy* newDeploy();
    void updateButtons();
    void setStatus(const QString& text);
    void showCounts();
    void waitForStore();
    void storeAnswered();

    fleet::StoreWorker* m_store;
    fleet::LinkSetup m_link;
    session::PanelSession& m_session;
    Prompts& m_prompts;
    SitesModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QPointer<fleet::BackupRun> m_run;
    QList<QPointer<frmSiteHistory>> m_histories;
    QPointer<frmDeploys> m_deploys;
    QTimer m_refresh;
    QTimer m_stall; // no answer from the store for this long: it is shown as unreachable
    int m_pending = 0;
    QString m_problem;
};
