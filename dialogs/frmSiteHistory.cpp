#include "dialogs/frmSiteHistory.h"

#include "dialogs/DifferencesModel.h"
#include "dialogs/Prompts.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/SiteWidgets.h"
#include "dialogs/VersionsModel.h"
#include "fleet/History.h"
#include "session/PanelSession.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using dialogs::siteButton;
using dialogs::siteTable;

frmSiteHistory::frmSiteHistory(fleet::StoreWorker& store, QString site, fleet::LinkSetup link,
                               session::PanelSession& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(store), m_site(std::move(site)), m_link(std::move(link)),
      m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmSiteHistory"));
    setWindowTitle(QStringLiteral("History of %1").arg(m_site));
    setWindowFlag(Qt::Window);
    setModal(false);

    lblStatus = new QLabel(QStringLiteral("Reading the history..."), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("History status"));
    lblStatus->setWordWrap(true);

    m_versions = new VersionsModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_versions);
    m_proxy->setSortRole(VersionsModel::SortRole);
    tblVersions = siteTable("tblVersions", QStringLiteral("Versions of %1").arg(m_site), this);
    tblVersions->setModel(m_proxy);
    tblVersions->setSortingEnabled(true);
    tblVersions->sortByColumn(VersionsModel::Number, Qt::DescendingOrder);
    tblVersions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const QList<std::pair<int, int>> widths{
        {VersionsModel::Number, 80}, {VersionsModel::Time, 150}, {VersionsModel::Layout, 60},
        {VersionsModel::Source, 70}, {VersionsModel::By, 170},   {VersionsModel::Changes, 130}};
    for (const auto& [column, width] : widths) {
        tblVersions->setColumnWidth(column, width);
    }

    lblDifferences = new QLabel(this);
    lblDifferences->setObjectName(QStringLiteral("lblDifferences"));
    lblDifferences->setAccessibleName(QStringLiteral("Differences"));
    chkShowAll = new QCheckBox(QStringLiteral("Show all"), this);
    chkShowAll->setObjectName(QStringLiteral("chkShowAll"));
    chkShowAll->setAccessibleName(QStringLiteral("Show all compared parameters"));
    m_differences = new DifferencesModel(this);
    tblDifferences = siteTable("tblDifferences", QStringLiteral("Differing parameters"), this);
    tblDifferences->setModel(m_differences);
    tblDifferences->setSelectionMode(QAbstractItemView::NoSelection);
    tblDifferences->setColumnWidth(DifferencesModel::Parameter, 300);
    tblDifferences->setColumnWidth(DifferencesModel::A, 110);
    tblDifferences->setColumnWidth(DifferencesModel::B, 110);
    connect(chkShowAll, &QCheckBox::toggled, m_differences, &DifferencesModel::setShowAll);

    cmdCompare =
        siteButton("cmdCompare", QStringLiteral("Compare with processor"),
                   QStringLiteral("Compare the selected version with the processor"), this);
    cmdOpen = siteButton("cmdOpen", QStringLiteral("Open in panel"),
                         QStringLiteral("Open the selected version in the panel"), this);
    cmdExport = siteButton("cmdExport", QStringLiteral("Export..."),
                           QStringLiteral("Export the selected version as a parameter file"), this);
    cmdApprove = siteButton("cmdApprove", QStringLiteral("Approve"),
                            QStringLiteral("Approve the selected version as the reference"), this);
    cmdRestore = siteButton("cmdRestore", QStringLiteral("Restore..."),
                            QStringLiteral("Restore the selected version to the processor"), this);
    cmdDeploy = siteButton("cmdDeploy", QStringLiteral("Deploy this version..."),
                           QStringLiteral("Send the selected version to the chosen sites"), this);
    cmdClose =
        siteButton("cmdClose", QStringLiteral("Close"), QStringLiteral("Close the history"), this);
    connect(cmdCompare, &QPushButton::clicked, this, &frmSiteHistory::compareWithProcessor);
    connect(cmdOpen, &QPushButton::clicked, this, &frmSiteHistory::openVersion);
    connect(cmdExport, &QPushButton::clicked, this, &frmSiteHistory::exportVersion);
    connect(cmdApprove, &QPushButton::clicked, this, &frmSiteHistory::approveVersion);
    connect(cmdRestore, &QPushButton::clicked, this, &frmSiteHistory::restoreVersion);
    connect(cmdDeploy, &QPushButton::clicked, this, [this] {
        if (const fleet::Version* v = versionOf(selectedVersion())) {
            Q_EMIT deployVersion(QStringLiteral("%1:%2").arg(m_site).arg(v->number), v->layout);
        }
    });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(tblVersions->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmSiteHistory::showSelection);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(lblStatus);
    topLayout->addWidget(tblVersions);
    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    auto* diffHeader = new QHBoxLayout;
    diffHeader->addWidget(lblDifferences, 1);
    diffHeader->addWidget(chkShowAll);
    bottomLayout->addLayout(diffHeader);
    bottomLayout->addWidget(tblDifferences);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(bottom);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdCompare, cmdOpen, cmdExport, cmdApprove, cmdRestore, cmdDeploy}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(1000, 560);

    m_stall.setSingleShot(true);
    m_stall.setInterval(sitetexts::kStoreStall);
    connect(&m_stall, &QTimer::timeout, this,
            [this] { lblStatus->setText(sitetexts::noAnswerText(m_store.location().display())); });
    updateButtons();
    reload();
}

void frmSiteHistory::reload()
{
    const QString site = m_site;
    m_stall.start();
    m_store.call<fleet::StoreResult<QList<fleet::HistoryEntry>>>(
        this, [site](fleet::Store& s) { return fleet::history(s, site); },
        [this](const fleet::StoreResult<QList<fleet::HistoryEntry>>& r) {
            m_stall.stop();
            if (!r.ok()) {
                lblStatus->setText(r.error->kind == fleet::StoreErrorKind::UnknownSite
                                       ? r.error->message
                                       : sitetexts::unreachableText(r.error->message));
                Q_EMIT historyShown();
                return;
            }
            const QList<int> selected = selectedNumbers();
            m_versions->setEntries(r.value);
            const qsizetype n = r.value.size();
            lblStatus->setText(n == 1 ? QStringLiteral("1 version")
                                      : QStringLiteral("%1 versions").arg(n));
            if (!selected.isEmpty()) {
                selectVersions(selected);
            } else if (n > 0) {
                selectVersions({r.value.last().version.number});
            }
            showSelection();
            Q_EMIT historyShown();
        });
}

void frmSiteHistory::selectVersions(const QList<int>& numbers)
{
    QItemSelection selection;
    for (const int number : numbers) {
        const int row = m_versions->rowOf(number);
        if (row >= 0) {
            const QModelIndex i = m_proxy->mapFromSource(m_versions->index(row, 0));
            selection.select(i, i);
        }
    }
    tblVersions->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
}

QList<int> frmSiteHistory::selectedNumbers() const
{
    QList<int> numbers;
    for (const QModelIndex& i : tblVersions->selectionModel()->selectedRows()) {
        if (const fleet::HistoryEntry* e = m_versions->entry(m_proxy->mapToSource(i).row())) {
            numbers.append(e->version.number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

int frmSiteHistory::selectedVersion() const
{
    const QList<int> numbers = selectedNumbers();
    return numbers.size() == 1 ? numbers.first() : 0;
}

const fleet::Version* frmSiteHistory::versionOf(int number) const
{
    const fleet::HistoryEntry* e = m_versions->entry(m_versions->rowOf(number));
    return e != nullptr ? &e->version : nullptr;
}

void frmSiteHistory::showSelection()
{
    updateButtons();
    const QList<int> numbers = selectedNumbers();
    if (numbers.size() == 1) {
        const fleet::Version* v = versionOf(numbers.first());
        const fleet::HistoryEntry* before = m_versions->previous(numbers.first());
        if (before == nullptr) {
            m_differences->clear();
            lblDifferences->setText(QStringLiteral("Version %1 is the first %2 version")
                                        .arg(v->number)
                                        .arg(fleet::layoutName(v->layout)));
            return;
        }
        m_differences->setSides(before->version.carried(), v->carried(),
                                sitetexts::versionTitle(before->version.number),
                                sitetexts::versionTitle(v->number));
        lblDifferences->setText(QStringLiteral("Version %1 against version %2: %3")
                                    .arg(v->number)
                                    .arg(before->version.number)
                                    .arg(sitetexts::differencesText(m_differences->differences())));
    } else if (numbers.size() == 2) {
        const fleet::Version* a = versionOf(numbers[0]);
        const fleet::Version* b = versionOf(numbers[1]);
        m_differences->setSides(a->carried(), b->carried(), sitetexts::versionTitle(a->number),
                                sitetexts::versionTitle(b->number));
        lblDifferences->setText(QStringLiteral("Version %1 against version %2: %3")
                                    .arg(b->number)
                                    .arg(a->number)
                                    .arg(sitetexts::differencesText(m_differences->differences())));
    } else {
        m_differences->clear();
        lblDifferences->setText(numbers.isEmpty()
                                    ? QStringLiteral("Select a version, or two to compare them")
                                    : QStringLiteral("Select one version, or two to compare them"));
    }
}

void frmSiteHistory::updateButtons()
{
    const bool one = selectedVersion() > 0;
    const bool idle = !working();
    cmdCompare->setEnabled(one && idle);
    cmdRestore->setEnabled(one && idle);
    cmdOpen->setEnabled(one);
    cmdExport->setEnabled(one);
    cmdApprove->setEnabled(one);
    cmdDeploy->setEnabled(one);
}

void frmSiteHistory::endWork()
{
    updateButtons();
    Q_EMIT workDone();
    if (m_closeWhenDone && !working()) {
        m_closeWhenDone = false;
        close();
    }
}

void frmSiteHistory::reject()
{
    if (working()) {
        m_closeWhenDone = true;
        hide();
        return;
    }
    QDialog::reject();
}

void frmSiteHistory::closeEvent(QCloseEvent* event)
{
    if (working()) {
        m_closeWhenDone = true;
        event->ignore();
        hide();
        return;
    }
    QDialog::closeEvent(event);
}
