#pragma once

#include "fleet/Deploy.h"

#include <QDialog>
#include <QPointer>

class DeployModel;
class Prompts;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableView;

// "Deploy": one sound to the chosen sites. The operator picks the source, the layout and the
// stages, previews what would change at each site, then sends; rows follow as sites end and the
// run stops as the command line's does. A revert of a past run shows and runs the same way. Not
// modal; the plan and the run go through the store's worker and the job pool.
class frmDeploy : public QDialog
{
    Q_OBJECT

public:
    // targets: the sites a new deploy goes to (a revert takes its run's sites instead).
    frmDeploy(fleet::StoreWorker& store, fleet::LinkSetup link, Prompts& prompts,
              fleet::Selection targets, QWidget* parent = nullptr);
    ~frmDeploy() override;

    // A stored version or reference as the source ("SITE:VERSION"), with its layout.
    void setSource(const QString& source, lnk::Layout layout);
    // The sites deploy id reached go back to their versions from before it.
    void setRevert(qint64 id);

    bool running() const { return m_running; }
    DeployModel* model() const { return m_model; }

    // A run under way goes on to its end: the window hides until then.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

public:
    QLabel* lblTargets = nullptr;
    QLineEdit* edtSource = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QRadioButton* optDay = nullptr;
    QRadioButton* optNight = nullptr;
    QSpinBox* spnCanaries = nullptr;
    QCheckBox* chkContinue = nullptr;
    QCheckBox* chkSave = nullptr;
    QCheckBox* chkApprove = nullptr;
    QLineEdit* edtNote = nullptr;
    QTableView* tblSites = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdPreview = nullptr;
    QPushButton* cmdDeploy = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdClose = nullptr;

Q_SIGNALS:
    // A preview's plan is shown (or why there is none).
    void planShown();
    void siteDeployed(const QString& site);
    void deployFinished(const fleet::DeployReport& report);

private:
    fleet::DeployRequest request() const;
    void browse();
    void preview();
    void onPlanned(const fleet::DeployPlan& plan);
    void deploy();
    void stop();
    void onSiteDone(const fleet::SiteDeploy& site, int done, int total);
    void onFinished(const fleet::DeployReport& report);
    void discardPreview();
    void updateControls();
    void setStatus(const QString& text);

    fleet::StoreWorker& m_store;
    fleet::LinkSetup m_link;
    Prompts& m_prompts;
    fleet::Selection m_targets;
    std::optional<qint64> m_revert;
    DeployModel* m_model = nullptr;
    QPointer<fleet::DeployRun> m_run;
    bool m_planned = false; // the run holds a plan that can be sent
    bool m_running = false;
    bool m_stopAsked = false;
    QString m_lastDone; // the last site that ended, for a stop the operator asked for
    bool m_closeWhenDone = false;
};
