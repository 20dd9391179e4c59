#include "dialogs/frmDeploys.h"

#include "dialogs/DeploysModel.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/SiteWidgets.h"
#include "fleet/Store.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using dialogs::siteButton;
using dialogs::siteTable;

frmDeploys::frmDeploys(fleet::StoreWorker& store, QWidget* parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("frmDeploys"));
    setWindowTitle(QStringLiteral("Deploys"));
    setWindowFlag(Qt::Window);
    setModal(false);

    lblStatus = new QLabel(QStringLiteral("Reading the deploys..."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("Deploys status"));
    lblStatus->setWordWrap(true);

    m_runs = new DeploysModel(this);
    tblRuns = siteTable("tblRuns", QStringLiteral("Deploys, newest first"), this);
    tblRuns->setModel(m_runs);
    tblRuns->setSelectionMode(QAbstractItemView::SingleSelection);
    // A file source is a path: its name at the end is what tells runs apart.
    tblRuns->setTextElideMode(Qt::ElideMiddle);
    const QList<std::pair<int, int>> widths{{DeploysModel::Id, 50},
                                            {DeploysModel::Time, 200},
                                            {DeploysModel::By, 150},
                                            {DeploysModel::Source, 180},
                                            {DeploysModel::Note, 140}};
    for (const auto& [column, width] : widths) {
        tblRuns->setColumnWidth(column, width);
    }
    lblSites = new QLabel(this);
    lblSites->setObjectName(QStringLiteral("lblSites"));
    m_sites = new DeploySitesModel(this);
    tblSites = siteTable("tblSites", QStringLiteral("Sites of the selected deploy"), this);
    tblSites->setModel(m_sites);
    tblSites->setSelectionMode(QAbstractItemView::NoSelection);
    tblSites->setColumnWidth(DeploySitesModel::Site, 140);
    tblSites->setColumnWidth(DeploySitesModel::Outcome, 360);
    tblSites->setColumnWidth(DeploySitesModel::Before, 110);

    cmdRefresh = siteButton("cmdRefresh", QStringLiteral("Refresh"),
                            QStringLiteral("Read the deploys again"), this);
    cmdRevert = siteButton(
        "cmdRevert", QStringLiteral("Revert..."),
        QStringLiteral("Send each site the selected deploy reached its version from before"), this);
    cmdClose = siteButton("cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Close the list of deploys"), this);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmDeploys::reload);
    connect(cmdRevert, &QPushButton::clicked, this, [this] {
        if (const qint64 id = selectedRun(); id > 0) {
            Q_EMIT revertAsked(id);
        }
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(tblRuns->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmDeploys::showSelection);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(lblStatus);
    topLayout->addWidget(tblRuns);
    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(lblSites);
    bottomLayout->addWidget(tblSites);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(bottom);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRefresh);
    buttons->addWidget(cmdRevert);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(940, 540);

    m_stall.setSingleShot(true);
    m_stall.setInterval(sitetexts::kStoreStall);
    connect(&m_stall, &QTimer::timeout, this,
            [this] { lblStatus->setText(sitetexts::noAnswerText(m_store.location().display())); });
    showSelection();
    reload();
}

void frmDeploys::reload()
{
    m_stall.start();
    m_store.call<fleet::StoreResult<QList<fleet::DeployRecord>>>(
        this, [](fleet::Store& s) { return s.deploys(); },
        [this](const fleet::StoreResult<QList<fleet::DeployRecord>>& r) {
            m_stall.stop();
            if (!r.ok() && r.error->kind != fleet::StoreErrorKind::Missing) {
                lblStatus->setText(sitetexts::unreachableText(r.error->message));
                Q_EMIT runsShown();
                return;
            }
            const qint64 selected = selectedRun();
            m_runs->setRuns(r.ok() ? r.value : QList<fleet::DeployRecord>{});
            const int n = m_runs->rowCount();
            lblStatus->setText(n == 0   ? QStringLiteral("No deploys yet")
                               : n == 1 ? QStringLiteral("1 deploy")
                                        : QStringLiteral("%1 deploys").arg(n));
            if (selected > 0 && m_runs->rowOf(selected) >= 0) {
                selectRun(selected);
            } else if (n > 0) {
                selectRun(m_runs->run(0)->id);
            }
            showSelection();
            Q_EMIT runsShown();
        });
}

void frmDeploys::selectRun(qint64 id)
{
    const int row = m_runs->rowOf(id);
    if (row < 0) {
        tblRuns->clearSelection();
        return;
    }
    tblRuns->selectionModel()->select(m_runs->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
}

qint64 frmDeploys::selectedRun() const
{
    const QModelIndexList rows = tblRuns->selectionModel()->selectedRows();
    const fleet::DeployRecord* r = rows.isEmpty() ? nullptr : m_runs->run(rows.first().row());
    return r != nullptr ? r->id : 0;
}

void frmDeploys::showSelection()
{
    const qint64 id = selectedRun();
    const fleet::DeployRecord* r = m_runs->run(m_runs->rowOf(id));
    m_sites->setSites(r != nullptr ? r->sites : QList<fleet::DeploySiteRecord>{});
    lblSites->setText(r == nullptr
                          ? QStringLiteral("Select a deploy to see its sites")
                          : QStringLiteral("Sites of deploy %1 (%2)")
                                .arg(r->id)
                                .arg(r->revertOf
                                         ? QStringLiteral("revert of deploy %1").arg(*r->revertOf)
                                         : r->source));
    cmdRevert->setEnabled(r != nullptr);
}
