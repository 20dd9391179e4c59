#include "dialogs/frmSiteHistory.h"

#include "dialogs/DifferencesModel.h"
#include "dialogs/Prompts.h"
#include "dialogs/SiteTexts.h"
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

namespace {

QPushButton* button(const char* name, const QString& text, const QString& accessible,
                    QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessible);
    b->setAutoDefault(false);
    return b;
}

QTableView* table(const char* name, const QString& accessible, QWidget* parent)
{
    auto* t = new QTableView(parent);
    t->setObjectName(QLatin1String(name));
    t->setAccessibleName(accessible);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setWordWrap(false);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

QString versionTitle(int number)
{
    return QStringLiteral("Version %1").arg(number);
}

QString differenceLines(const QList<session::Difference>& differences)
{
    QStringList lines;
    for (const session::Difference& d : differences) {
        lines.append(QStringLiteral("  %1: %2 -> %3")
                         .arg(sitetexts::parameterText(d.member))
                         .arg(d.a)
                         .arg(d.b));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

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
    tblVersions = table("tblVersions", QStringLiteral("Versions of %1").arg(m_site), this);
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
    tblDifferences = table("tblDifferences", QStringLiteral("Differing parameters"), this);
    tblDifferences->setModel(m_differences);
    tblDifferences->setSelectionMode(QAbstractItemView::NoSelection);
    tblDifferences->setColumnWidth(DifferencesModel::Parameter, 300);
    tblDifferences->setColumnWidth(DifferencesModel::A, 110);
    tblDifferences->setColumnWidth(DifferencesModel::B, 110);
    connect(chkShowAll, &QCheckBox::toggled, m_differences, &DifferencesModel::setShowAll);

    cmdCompare = button("cmdCompare", QStringLiteral("Compare with processor"),
                        QStringLiteral("Compare the selected version with the processor"), this);
    cmdOpen = button("cmdOpen", QStringLiteral("Open in panel"),
                     QStringLiteral("Open the selected version in the panel"), this);
    cmdExport = button("cmdExport", QStringLiteral("Export..."),
                       QStringLiteral("Export the selected version as a parameter file"), this);
    cmdApprove = button("cmdApprove", QStringLiteral("Approve"),
                        QStringLiteral("Approve the selected version as the reference"), this);
    cmdRestore = button("cmdRestore", QStringLiteral("Restore..."),
                        QStringLiteral("Restore the selected version to the processor"), this);
    cmdClose =
        button("cmdClose", QStringLiteral("Close"), QStringLiteral("Close the history"), this);
    connect(cmdCompare, &QPushButton::clicked, this, &frmSiteHistory::compareWithProcessor);
    connect(cmdOpen, &QPushButton::clicked, this, &frmSiteHistory::openVersion);
    connect(cmdExport, &QPushButton::clicked, this, &frmSiteHistory::exportVersion);
    connect(cmdApprove, &QPushButton::clicked, this, &frmSiteHistory::approveVersion);
    connect(cmdRestore, &QPushButton::clicked, this, &frmSiteHistory::restoreVersion);
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
    for (QPushButton* b : {cmdCompare, cmdOpen, cmdExport, cmdApprove, cmdRestore}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(880, 560);

    updateButtons();
    reload();
}

void frmSiteHistory::reload()
{
    const QString site = m_site;
    m_store.call<fleet::StoreResult<QList<fleet::HistoryEntry>>>(
        this, [site](fleet::Store& s) { return fleet::history(s, site); },
        [this](const fleet::StoreResult<QList<fleet::HistoryEntry>>& r) {
            if (!r.ok()) {
                lblStatus->setText(r.error->kind == fleet::StoreErrorKind::UnknownSite
                                       ? r.error->message
                                       : QStringLiteral("store unreachable: ") + r.error->message);
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
                                versionTitle(before->version.number), versionTitle(v->number));
        lblDifferences->setText(QStringLiteral("Version %1 against version %2: %3")
                                    .arg(v->number)
                                    .arg(before->version.number)
                                    .arg(sitetexts::differencesText(m_differences->differences())));
    } else if (numbers.size() == 2) {
        const fleet::Version* a = versionOf(numbers[0]);
        const fleet::Version* b = versionOf(numbers[1]);
        m_differences->setSides(a->carried(), b->carried(), versionTitle(a->number),
                                versionTitle(b->number));
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
}

void frmSiteHistory::showDiff(const fleet::DiffResult& result)
{
    const auto title = [](const fleet::DiffSide& side) {
        return side.spec.kind == fleet::DiffSideSpec::Kind::Live ? QStringLiteral("Processor now")
                                                                 : versionTitle(side.version);
    };
    m_differences->setSides(result.a.carried(), result.b.carried(), title(result.a),
                            title(result.b));
    lblDifferences->setText(QStringLiteral("%1 against %2: %3")
                                .arg(title(result.b), title(result.a).toLower(),
                                     sitetexts::differencesText(m_differences->differences())));
}

void frmSiteHistory::compareWithProcessor()
{
    const int number = selectedVersion();
    if (number == 0 || working()) {
        return;
    }
    fleet::DiffSideSpec version;
    version.number = number;
    fleet::DiffSideSpec live;
    live.kind = fleet::DiffSideSpec::Kind::Live;
    m_diff = new fleet::DiffRun(m_site, version, live, m_link, m_store, this);
    connect(m_diff, &fleet::DiffRun::finished, this,
            [this](const fleet::DiffResult& r) { onLiveDiff(r, false); });
    lblDifferences->setText(QStringLiteral("Asking the processor..."));
    updateButtons();
    m_diff->start();
}

void frmSiteHistory::restoreVersion()
{
    const int number = selectedVersion();
    if (number == 0 || working()) {
        return;
    }
    // First what the processor holds now against the version: what the restore would change.
    fleet::DiffSideSpec live;
    live.kind = fleet::DiffSideSpec::Kind::Live;
    fleet::DiffSideSpec version;
    version.number = number;
    m_diff = new fleet::DiffRun(m_site, live, version, m_link, m_store, this);
    connect(m_diff, &fleet::DiffRun::finished, this,
            [this](const fleet::DiffResult& r) { onLiveDiff(r, true); });
    lblDifferences->setText(QStringLiteral("Asking the processor..."));
    updateButtons();
    m_diff->start();
}

void frmSiteHistory::onLiveDiff(const fleet::DiffResult& result, bool thenRestore)
{
    m_diff->deleteLater();
    m_diff = nullptr;
    if (!result.ok()) {
        const QString why = result.error ? result.error->message : result.liveError;
        lblDifferences->setText(QStringLiteral("No comparison: ") + why);
        m_prompts.message(QStringLiteral("%1: %2").arg(m_site, why),
                          thenRestore ? QStringLiteral("Restore") : QStringLiteral("Compare"),
                          PromptIcon::Exclamation);
        endWork();
        return;
    }
    showDiff(result);
    // Closed while the processor was asked: nothing is sent.
    if (!thenRestore || m_closeWhenDone) {
        endWork();
        return;
    }
    const int number = result.b.version;
    if (!m_prompts.question(QStringLiteral("Send version %1 to %2?").arg(number).arg(m_site),
                            QStringLiteral("Restore"))) {
        endWork();
        return;
    }
    fleet::RestoreRequest request;
    request.site = m_site;
    request.version = number;
    request.link = m_link;
    m_restore = new fleet::RestoreRun(request, m_store, this);
    connect(m_restore, &fleet::RestoreRun::finished, this, &frmSiteHistory::onRestored);
    lblDifferences->setText(
        QStringLiteral("Sending version %1 and reading it back...").arg(number));
    m_restore->start();
}

void frmSiteHistory::onRestored(const fleet::RestoreResult& r)
{
    m_restore->deleteLater();
    m_restore = nullptr;
    QString text;
    PromptIcon icon = PromptIcon::Exclamation;
    if (r.error) {
        text = r.error->message;
    } else if (!r.sendError.isEmpty()) {
        text = QStringLiteral("Version %1 was not sent to %2: %3")
                   .arg(r.version)
                   .arg(m_site, r.sendError);
    } else if (!r.readBackError.isEmpty()) {
        text = QStringLiteral("Version %1 was sent to %2, but the read-back failed: %3")
                   .arg(r.version)
                   .arg(m_site, r.readBackError);
    } else if (r.verification == fleet::RestoreResult::Verification::Verified) {
        text = QStringLiteral("%1 holds version %2 (verified)").arg(m_site).arg(r.version);
        icon = PromptIcon::Information;
    } else if (r.verification == fleet::RestoreResult::Verification::OtherBlock) {
        text = QStringLiteral("%1: %2").arg(m_site, r.notVerifiedText());
    } else {
        text = QStringLiteral("%1 still holds other values than version %2:\n%3")
                   .arg(m_site)
                   .arg(r.version)
                   .arg(differenceLines(r.differences));
    }
    if (!r.recordError.isEmpty()) {
        text += QStringLiteral("\nThe read-back was not stored: ") + r.recordError;
    }
    if (!r.saveError.isEmpty()) {
        text += QStringLiteral("\nThe save command failed: ") + r.saveError;
    }
    lblDifferences->setText(text.section(QLatin1Char('\n'), 0, 0));
    m_prompts.message(text, QStringLiteral("Restore"), icon);
    if (r.readBackVersion > 0) {
        reload();
        Q_EMIT storeChanged();
    }
    endWork();
}

void frmSiteHistory::openVersion()
{
    const fleet::Version* v = versionOf(selectedVersion());
    if (v == nullptr) {
        return;
    }
    Q_EMIT openInPanel(v->carried().over(m_session.params().values()),
                       QStringLiteral("Open %1 version %2").arg(m_site).arg(v->number));
}

void frmSiteHistory::exportVersion()
{
    const int number = selectedVersion();
    if (number == 0) {
        return;
    }
    FileDialogRequest request;
    request.title = QStringLiteral("Export version %1 of %2").arg(number).arg(m_site);
    request.directory = m_link.dataDir;
    request.fileName = QStringLiteral("%1 version %2").arg(m_site).arg(number);
    request.extension = QStringLiteral(".DAB");
    request.confirmOverwrite = true;
    const std::optional<QString> path = m_prompts.saveFile(request);
    if (!path || path->isEmpty()) {
        return;
    }
    const QString site = m_site;
    const QString output = *path;
    m_store.call<fleet::ExportResult>(
        this,
        [site, number, output](fleet::Store& s) {
            return fleet::exportVersion(s, site, number, output);
        },
        [this](const fleet::ExportResult& r) {
            if (r.ok()) {
                return;
            }
            const QString why = r.error                  ? r.error->message
                                : !r.baseError.isEmpty() ? r.baseError
                                                         : r.writeError;
            m_prompts.message(why, QStringLiteral("Export"), PromptIcon::Exclamation);
        });
}

void frmSiteHistory::approveVersion()
{
    const int number = selectedVersion();
    if (number == 0) {
        return;
    }
    const QString site = m_site;
    m_store.call<fleet::StoreResult<fleet::Version>>(
        this, [site, number](fleet::Store& s) { return s.approve(site, number); },
        [this](const fleet::StoreResult<fleet::Version>& r) {
            if (!r.ok()) {
                m_prompts.message(r.error->message, QStringLiteral("Approve"),
                                  PromptIcon::Exclamation);
                return;
            }
            reload();
            Q_EMIT storeChanged();
        });
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
