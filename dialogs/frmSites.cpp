#include "dialogs/frmSites.h"

#include "dialogs/Prompts.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/SiteWidgets.h"
#include "dialogs/SitesModel.h"
#include "dialogs/frmSiteHistory.h"
#include "session/PanelSession.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <chrono>

using namespace std::chrono_literals;

namespace {

// Sites written by other programs (the scheduled backup, another desk) show up this often.
constexpr auto kRefresh = 30s;

} // namespace

using dialogs::siteButton;

frmSites::frmSites(fleet::StoreWorker* store, fleet::LinkSetup link, session::PanelSession& session,
                   Prompts& prompts, const QString& problem, QWidget* parent)
    : QDialog(parent), m_store(store), m_link(std::move(link)), m_session(session),
      m_prompts(prompts), m_problem(problem)
{
    setObjectName(QStringLiteral("frmSites"));
    setWindowTitle(QStringLiteral("Sites"));
    setModal(false);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("Store status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_model = new SitesModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(SitesModel::SortRole);
    tblSites = new QTableView(this);
    tblSites->setObjectName(QStringLiteral("tblSites"));
    tblSites->setAccessibleName(QStringLiteral("Sites"));
    tblSites->setModel(m_proxy);
    tblSites->setSortingEnabled(true);
    tblSites->sortByColumn(SitesModel::Name, Qt::AscendingOrder);
    tblSites->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSites->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblSites->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblSites->setWordWrap(false);
    tblSites->verticalHeader()->setVisible(false);
    tblSites->verticalHeader()->setDefaultSectionSize(tblSites->fontMetrics().height() + 6);
    tblSites->horizontalHeader()->setStretchLastSection(true);
    const QList<std::pair<int, int>> widths{
        {SitesModel::Name, 110},  {SitesModel::Port, 110},       {SitesModel::Group, 80},
        {SitesModel::State, 280}, {SitesModel::LastBackup, 200}, {SitesModel::LastChange, 200}};
    for (const auto& [column, width] : widths) {
        tblSites->setColumnWidth(column, width);
    }

    barProgress = new QProgressBar(this);
    barProgress->setObjectName(QStringLiteral("barProgress"));
    barProgress->setAccessibleName(QStringLiteral("Sites backed up"));
    barProgress->setFormat(QStringLiteral("%v of %m sites"));
    barProgress->setRange(0, 1);
    barProgress->setValue(0);
    barProgress->setVisible(false);

    cmdBackupAll = siteButton("cmdBackupAll", QStringLiteral("Back up all"),
                              QStringLiteral("Back up all sites"), this);
    cmdBackupSelected = siteButton("cmdBackupSelected", QStringLiteral("Back up selected"),
                                   QStringLiteral("Back up the selected sites"), this);
    cmdHistory = siteButton("cmdHistory", QStringLiteral("History..."),
                            QStringLiteral("History of the selected site"), this);
    cmdOpen = siteButton("cmdOpen", QStringLiteral("Open in panel"),
                         QStringLiteral("Open the site's latest version in the panel"), this);
    cmdApprove =
        siteButton("cmdApprove", QStringLiteral("Approve"),
                   QStringLiteral("Approve the site's latest version as its reference"), this);
    cmdAdd =
        siteButton("cmdAdd", QStringLiteral("Add site..."), QStringLiteral("Add a site"), this);
    cmdEdit = siteButton("cmdEdit", QStringLiteral("Edit site..."),
                         QStringLiteral("Edit the selected site"), this);
    cmdRemove = siteButton("cmdRemove", QStringLiteral("Remove site"),
                           QStringLiteral("Remove the selected site"), this);
    cmdClose = siteButton("cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Close the Sites window"), this);

    connect(cmdBackupAll, &QPushButton::clicked, this, [this] {
        fleet::Selection all;
        all.all = true;
        QStringList names;
        for (const fleet::Site& s : m_model->sites()) {
            names.append(s.name);
        }
        backUp(all, names);
    });
    connect(cmdBackupSelected, &QPushButton::clicked, this, [this] {
        fleet::Selection some;
        some.names = selectedSites();
        backUp(some, some.names);
    });
    connect(cmdHistory, &QPushButton::clicked, this, &frmSites::showHistory);
    connect(cmdOpen, &QPushButton::clicked, this, &frmSites::openLatest);
    connect(cmdApprove, &QPushButton::clicked, this, &frmSites::approveLatest);
    connect(cmdAdd, &QPushButton::clicked, this, &frmSites::addSite);
    connect(cmdEdit, &QPushButton::clicked, this, &frmSites::editSite);
    connect(cmdRemove, &QPushButton::clicked, this, &frmSites::removeSite);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(tblSites, &QTableView::doubleClicked, this, &frmSites::showHistory);
    connect(tblSites->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmSites::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &frmSites::updateButtons);

    auto* siteButtons = new QHBoxLayout;
    for (QPushButton* b : {cmdBackupAll, cmdBackupSelected, cmdHistory, cmdOpen, cmdApprove}) {
        siteButtons->addWidget(b);
    }
    addDeployButtons(siteButtons);
    siteButtons->addStretch();
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdEdit, cmdRemove}) {
        listButtons->addWidget(b);
    }
    listButtons->addStretch();
    listButtons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(tblSites, 1);
    layout->addWidget(barProgress);
    layout->addLayout(siteButtons);
    layout->addLayout(listButtons);
    resize(1180, 460);

    m_refresh.setInterval(kRefresh);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (isVisible() && m_pending == 0) {
            reload();
        }
    });
    m_refresh.start();
    m_stall.setSingleShot(true);
    m_stall.setInterval(sitetexts::kStoreStall);
    connect(&m_stall, &QTimer::timeout, this,
            [this] { setStatus(sitetexts::noAnswerText(m_store->location().display())); });

    updateButtons();
    reload();
}

frmSites::~frmSites() = default;

void frmSites::setStatus(const QString& text)
{
    lblStatus->setText(text);
    lblStatus->setAccessibleDescription(text);
}

void frmSites::waitForStore()
{
    if (m_pending++ == 0) {
        m_stall.start();
    }
}

void frmSites::storeAnswered()
{
    if (--m_pending == 0) {
        m_stall.stop();
    }
}

void frmSites::reload()
{
    if (m_store == nullptr) {
        setStatus(sitetexts::unreachableText(m_problem));
        updateButtons();
        return;
    }
    if (m_model->sites().isEmpty()) {
        setStatus(QStringLiteral("Reading %1...").arg(m_store->location().display()));
    }
    waitForStore();
    m_store->call<fleet::StoreResult<QList<fleet::Site>>>(
        this, [](fleet::Store& s) { return s.sites(); },
        [this](const fleet::StoreResult<QList<fleet::Site>>& r) {
            storeAnswered();
            m_problem.clear();
            if (r.ok()) {
                m_model->setSites(r.value);
                showCounts();
            } else if (r.error->kind == fleet::StoreErrorKind::Missing) {
                m_model->setSites({});
                setStatus(QStringLiteral("No sites yet: the first site added makes the store %1")
                              .arg(m_store->location().display()));
            } else {
                m_problem = r.error->message;
                setStatus(sitetexts::unreachableText(r.error->message));
            }
            updateButtons();
            Q_EMIT sitesShown();
        });
}

void frmSites::showCounts()
{
    int failed = 0;
    int drifted = 0;
    for (const fleet::Site& s : m_model->sites()) {
        failed += sitetexts::failed(s) ? 1 : 0;
        drifted += sitetexts::drifted(s) ? 1 : 0;
    }
    const qsizetype n = m_model->sites().size();
    setStatus(QStringLiteral("%1 %2, %3 failed, %4 drifted, in %5")
                  .arg(n)
                  .arg(n == 1 ? QStringLiteral("site") : QStringLiteral("sites"))
                  .arg(failed)
                  .arg(drifted)
                  .arg(m_store->location().display()));
}

void frmSites::siteRecorded(const QString& site)
{
    if (m_store == nullptr) {
        return;
    }
    waitForStore();
    m_store->call<fleet::StoreResult<fleet::Site>>(
        this, [site](fleet::Store& s) { return s.site(site); },
        [this](const fleet::StoreResult<fleet::Site>& r) {
            storeAnswered();
            // During a run the status line says what runs; the counts follow at its end.
            if (r.ok() && m_model->updateSite(r.value) && m_run == nullptr) {
                showCounts();
            }
        });
    for (const QPointer<frmSiteHistory>& h : std::as_const(m_histories)) {
        if (h && h->site().compare(site, Qt::CaseInsensitive) == 0) {
            h->reload();
        }
    }
}

void frmSites::storeFailed(const QString& message)
{
    setStatus(sitetexts::unreachableText(message));
}

QStringList frmSites::selectedSites() const
{
    QStringList names;
    for (const QModelIndex& i : tblSites->selectionModel()->selectedRows(SitesModel::Name)) {
        names.append(m_proxy->data(i).toString());
    }
    return names;
}

QString frmSites::currentSite() const
{
    const QStringList selected = selectedSites();
    if (!selected.isEmpty()) {
        return selected.first();
    }
    const QModelIndex current = tblSites->currentIndex();
    return current.isValid() ? m_proxy->data(current.siblingAtColumn(SitesModel::Name)).toString()
                             : QString();
}

void frmSites::updateButtons()
{
    const bool store = m_store != nullptr;
    const bool one = store && !currentSite().isEmpty();
    const bool idle = store && m_run == nullptr;
    cmdBackupAll->setEnabled(idle && !m_model->sites().isEmpty());
    cmdBackupSelected->setEnabled(idle && !selectedSites().isEmpty());
    for (QPushButton* b : {cmdHistory, cmdOpen, cmdApprove, cmdEdit}) {
        b->setEnabled(one);
    }
    cmdRemove->setEnabled(one && idle);
    cmdAdd->setEnabled(store);
    cmdDeploy->setEnabled(store && !m_model->sites().isEmpty());
    cmdDeploys->setEnabled(store);
}
