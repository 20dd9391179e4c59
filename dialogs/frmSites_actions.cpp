#include "dialogs/Prompts.h"
#include "dialogs/SitesModel.h"
#include "dialogs/frmDeploy.h"
#include "dialogs/frmSiteEdit.h"
#include "dialogs/frmSiteHistory.h"
#include "dialogs/frmSites.h"

#include "dialogs/SiteTexts.h"
#include "session/PanelSession.h"

#include <QProgressBar>
#include <QPushButton>

// What the Sites window's buttons do: backups, a site's history, its latest version opened or
// approved, sites added, changed and removed.
void frmSites::backUp(const fleet::Selection& selection, const QStringList& names)
{
    if (m_store == nullptr || m_run != nullptr || names.isEmpty()) {
        return;
    }
    fleet::BackupOptions options;
    options.selection = selection;
    options.link = m_link;
    options.follow(m_link.policy, true);
    options.source = fleet::Source::Backup;
    m_run = new fleet::BackupRun(options, *m_store, this);
    connect(m_run, &fleet::BackupRun::siteDone, this, &frmSites::onSiteDone);
    connect(m_run, &fleet::BackupRun::finished, this, &frmSites::onBackupFinished);
    m_model->setRunning(names, true);
    barProgress->setRange(0, static_cast<int>(names.size()));
    barProgress->setValue(0);
    barProgress->setVisible(true);
    setStatus(QStringLiteral("Backing up %1 %2...")
                  .arg(names.size())
                  .arg(names.size() == 1 ? QStringLiteral("site") : QStringLiteral("sites")));
    updateButtons();
    m_run->start();
}

void frmSites::onSiteDone(const fleet::SiteBackup& site, int done, int total)
{
    if (barProgress->maximum() != total) {
        barProgress->setRange(0, total);
    }
    barProgress->setValue(done);
    m_model->setRunning({site.site}, false);
    siteRecorded(site.site);
}

void frmSites::onBackupFinished(const fleet::BackupReport& report)
{
    if (m_run != nullptr) {
        m_run->deleteLater();
    }
    m_run = nullptr;
    QStringList all;
    for (const fleet::Site& s : m_model->sites()) {
        all.append(s.name);
    }
    m_model->setRunning(all, false);
    barProgress->setVisible(false);
    updateButtons();
    if (report.error) {
        setStatus(sitetexts::unreachableText(report.error->message));
    } else {
        reload();
    }
    Q_EMIT backupFinished(report);
}

void frmSites::showHistory()
{
    const QString site = currentSite();
    if (site.isEmpty() || m_store == nullptr) {
        return;
    }
    for (const QPointer<frmSiteHistory>& h : std::as_const(m_histories)) {
        if (h && h->site().compare(site, Qt::CaseInsensitive) == 0) {
            h->raise();
            h->activateWindow();
            return;
        }
    }
    auto* history = new frmSiteHistory(*m_store, site, m_link, m_session, m_prompts, this);
    history->setAttribute(Qt::WA_DeleteOnClose);
    connect(history, &frmSiteHistory::openInPanel, this, &frmSites::openInPanel);
    connect(history, &frmSiteHistory::storeChanged, this, &frmSites::reload);
    connect(history, &frmSiteHistory::deployVersion, this,
            [this](const QString& source, lnk::Layout layout) {
                if (frmDeploy* deploy = newDeploy()) {
                    deploy->setSource(source, layout);
                }
            });
    m_histories.removeAll(nullptr);
    m_histories.append(history);
    history->show();
}

void frmSites::openLatest()
{
    const QString site = currentSite();
    if (site.isEmpty() || m_store == nullptr) {
        return;
    }
    waitForStore();
    m_store->call<fleet::StoreResult<std::optional<fleet::Version>>>(
        this, [site](fleet::Store& s) { return s.latest(site); },
        [this, site](const fleet::StoreResult<std::optional<fleet::Version>>& r) {
            storeAnswered();
            if (!r.ok()) {
                m_prompts.message(r.error->message, QStringLiteral("Sites"),
                                  PromptIcon::Exclamation);
            } else if (!r.value) {
                m_prompts.message(QStringLiteral("%1 has no version yet.").arg(site),
                                  QStringLiteral("Sites"), PromptIcon::Information);
            } else {
                // Members the version's layout does not carry keep the panel's values.
                Q_EMIT openInPanel(
                    r.value->carried().over(m_session.params().values()),
                    QStringLiteral("Open %1 version %2").arg(site).arg(r.value->number));
            }
        });
}

void frmSites::approveLatest()
{
    const QString site = currentSite();
    if (site.isEmpty() || m_store == nullptr) {
        return;
    }
    waitForStore();
    m_store->call<fleet::StoreResult<fleet::Version>>(
        this, [site](fleet::Store& s) { return s.approve(site); },
        [this, site](const fleet::StoreResult<fleet::Version>& r) {
            storeAnswered();
            if (!r.ok()) {
                m_prompts.message(r.error->message, QStringLiteral("Approve"),
                                  PromptIcon::Exclamation);
                return;
            }
            siteRecorded(site);
        });
}

void frmSites::addSite()
{
    if (m_store == nullptr) {
        return;
    }
    auto* edit = new frmSiteEdit(*m_store, m_link.dataDir, std::nullopt, this);
    edit->setAttribute(Qt::WA_DeleteOnClose);
    connect(edit, &QDialog::accepted, this, &frmSites::reload);
    edit->open();
}

void frmSites::editSite()
{
    const int row = m_model->rowOf(currentSite());
    if (row < 0 || m_store == nullptr) {
        return;
    }
    auto* edit = new frmSiteEdit(*m_store, m_link.dataDir, m_model->sites()[row], this);
    edit->setAttribute(Qt::WA_DeleteOnClose);
    connect(edit, &QDialog::accepted, this, &frmSites::reload);
    edit->open();
}

void frmSites::removeSite()
{
    const QString site = currentSite();
    if (site.isEmpty() || m_store == nullptr) {
        return;
    }
    if (!m_prompts.question(QStringLiteral("Remove site %1?").arg(site),
                            QStringLiteral("Remove site"))) {
        return;
    }
    const bool purge = m_prompts.question(
        QStringLiteral("Delete the history of %1 too?\n\nNo keeps it: the site comes back with its "
                       "history when it is added again.")
            .arg(site),
        QStringLiteral("Remove site"));
    waitForStore();
    m_store->call<std::optional<fleet::StoreError>>(
        this, [site, purge](fleet::Store& s) { return s.removeSite(site, purge); },
        [this](const std::optional<fleet::StoreError>& error) {
            storeAnswered();
            if (error) {
                m_prompts.message(error->message, QStringLiteral("Remove site"),
                                  PromptIcon::Exclamation);
            }
            reload();
        });
}
