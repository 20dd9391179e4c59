#pragma once

#include "fleet/StoreWorker.h"

#include <QDialog>
#include <QTimer>

class DeploySitesModel;
class DeploysModel;
class QLabel;
class QPushButton;
class QTableView;

// "Deploys": the runs the store keeps, newest first; the one selected shows its sites with the
// versions before and after, and can be reverted (through the deploy window). Not modal.
class frmDeploys : public QDialog
{
    Q_OBJECT

public:
    explicit frmDeploys(fleet::StoreWorker& store, QWidget* parent = nullptr);

    void reload();
    // Selects a run by its id (tests).
    void selectRun(qint64 id);
    qint64 selectedRun() const;

    DeploysModel* runs() const { return m_runs; }
    DeploySitesModel* sites() const { return m_sites; }

    QLabel* lblStatus = nullptr;
    QTableView* tblRuns = nullptr;
    QLabel* lblSites = nullptr;
    QTableView* tblSites = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdRevert = nullptr;
    QPushButton* cmdClose = nullptr;

Q_SIGNALS:
    void runsShown();
    // The operator asked to revert this run: the deploy window previews it.
    void revertAsked(qint64 id);

private:
    void showSelection();

    fleet::StoreWorker& m_store;
    QTimer m_stall; // no answer from the store for this long: it is shown as unreachable
    DeploysModel* m_runs = nullptr;
    DeploySitesModel* m_sites = nullptr;
};
