#pragma once

#include "fleet/Compare.h"
#include "fleet/Restore.h"
#include "model/ParameterSet.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class DifferencesModel;
class Prompts;
class QCheckBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class VersionsModel;

namespace session {
class PanelSession;
}

// "History of NAME": a site's versions, and the differences of the one selected from the one
// before it (of its layout), or of two selected versions from each other. The selected version
// can be compared with the processor, opened in the panel, exported, approved or restored with
// a read-back. Not modal.
class frmSiteHistory : public QDialog
{
    Q_OBJECT

public:
    frmSiteHistory(fleet::StoreWorker& store, QString site, fleet::LinkSetup link,
                   session::PanelSession& session, Prompts& prompts, QWidget* parent = nullptr);

    const QString& site() const { return m_site; }
    void reload();
    // Selects the versions by number (tests, and the row of a new restore version).
    void selectVersions(const QList<int>& numbers);
    // The one selected version; 0 when none or two are selected.
    int selectedVersion() const;

    VersionsModel* versions() const { return m_versions; }
    DifferencesModel* differences() const { return m_differences; }
    bool working() const { return m_diff != nullptr || m_restore != nullptr; }

    // A restore or a comparison under way runs to its end: the window hides until then.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

public:
    QLabel* lblStatus = nullptr;
    QTableView* tblVersions = nullptr;
    QLabel* lblDifferences = nullptr;
    QCheckBox* chkShowAll = nullptr;
    QTableView* tblDifferences = nullptr;
    QPushButton* cmdCompare = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdApprove = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdDeploy = nullptr;
    QPushButton* cmdClose = nullptr;

Q_SIGNALS:
    void openInPanel(const model::ParameterSet::Values& values, const QString& caption);
    // The store changed through this window (an approval, a restore's read-back).
    void storeChanged();
    // The operator asked to deploy the selected version ("SITE:VERSION") to other sites.
    void deployVersion(const QString& source, lnk::Layout layout);
    void historyShown();
    // A comparison with the processor or a restore has ended.
    void workDone();

private:
    QList<int> selectedNumbers() const;
    const fleet::Version* versionOf(int number) const;
    void showSelection();
    void updateButtons();
    void compareWithProcessor();
    void openVersion();
    void exportVersion();
    void approveVersion();
    void restoreVersion();
    void onLiveDiff(const fleet::DiffResult& result, bool thenRestore);
    void onRestored(const fleet::RestoreResult& result);
    void showDiff(const fleet::DiffResult& result);
    void endWork();

    fleet::StoreWorker& m_store;
    QTimer m_stall; // no answer from the store for this long: it is shown as unreachable
    QString m_site;
    fleet::LinkSetup m_link;
    session::PanelSession& m_session;
    Prompts& m_prompts;
    VersionsModel* m_versions = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    DifferencesModel* m_differences = nullptr;
    QPointer<fleet::DiffRun> m_diff;
    QPointer<fleet::RestoreRun> m_restore;
    bool m_closeWhenDone = false;
};
