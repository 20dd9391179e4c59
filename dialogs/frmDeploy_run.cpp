#include "dialogs/DeployModel.h"
#include "dialogs/Prompts.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/frmDeploy.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

// The deploy window's work: a preview is a run's plan, the run itself sends it, and a stop
// lets the sites in flight finish.
fleet::DeployRequest frmDeploy::request() const
{
    fleet::DeployRequest r;
    if (m_revert) {
        r.revert = m_revert;
    } else {
        r.source = edtSource->text().trimmed();
        r.layout = optNight->isChecked() ? lnk::Layout::Night : lnk::Layout::Day;
    }
    r.selection = m_targets;
    r.canaries = spnCanaries->value();
    r.continueAfterFailure = chkContinue->isChecked();
    r.save = chkSave->isChecked();
    r.approve = chkApprove->isChecked();
    r.note = edtNote->text().trimmed();
    r.link = m_link;
    return r;
}

void frmDeploy::browse()
{
    FileDialogRequest ask =
        FileDialogRequest::parameterFile(QStringLiteral("Deploy a parameter file"), m_link.dataDir);
    ask.fileName.clear();
    ask.mustExist = true;
    if (const std::optional<QString> path = m_prompts.openFile(ask)) {
        edtSource->setText(*path);
    }
}

void frmDeploy::discardPreview()
{
    if (m_running) {
        return;
    }
    if (m_run != nullptr) {
        m_run->deleteLater();
    }
    m_run = nullptr;
    m_planned = false;
    updateControls();
}

void frmDeploy::preview()
{
    discardPreview();
    m_run = new fleet::DeployRun(request(), m_store, this);
    connect(m_run, &fleet::DeployRun::planned, this, &frmDeploy::onPlanned);
    connect(m_run, &fleet::DeployRun::siteSending, m_model, &DeployModel::setSending);
    connect(m_run, &fleet::DeployRun::siteDone, this, &frmDeploy::onSiteDone);
    connect(m_run, &fleet::DeployRun::finished, this, &frmDeploy::onFinished);
    m_model->clear();
    setStatus(QStringLiteral("Reading the sites..."));
    cmdPreview->setEnabled(false);
    m_run->plan();
}

void frmDeploy::onPlanned(const fleet::DeployPlan& plan)
{
    if (sender() != m_run) {
        return; // a preview discarded before its plan came
    }
    if (plan.error) {
        setStatus(plan.error->kind == fleet::StoreErrorKind::UnknownSite
                      ? plan.error->message
                      : sitetexts::unreachableText(plan.error->message));
    } else if (!plan.usageError.isEmpty()) {
        setStatus(plan.usageError);
    } else {
        m_planned = true;
        m_model->setPlan(plan);
        int differ = 0;
        for (const fleet::DeployTarget& t : plan.sites) {
            differ += t.differences && !t.differences->isEmpty() ? 1 : 0;
        }
        const int n = plan.toSend();
        setStatus(QStringLiteral("%1 to send to, %2 with other values: %3 layout from %4")
                      .arg(n == 1 ? QStringLiteral("1 site") : QStringLiteral("%1 sites").arg(n))
                      .arg(differ)
                      .arg(fleet::layoutName(plan.layout), plan.source));
    }
    updateControls();
    Q_EMIT planShown();
}

void frmDeploy::deploy()
{
    if (!m_planned || m_running || m_run == nullptr) {
        return;
    }
    m_running = true;
    m_stopAsked = false;
    m_lastDone.clear();
    const int n = m_run->currentPlan().toSend();
    setStatus(QStringLiteral("Deploying to %1...")
                  .arg(n == 1 ? QStringLiteral("1 site") : QStringLiteral("%1 sites").arg(n)));
    updateControls();
    m_run->run();
}

void frmDeploy::stop()
{
    if (!m_running || m_run == nullptr) {
        return;
    }
    m_stopAsked = true;
    m_run->stop();
    setStatus(QStringLiteral("Stopping: no new site starts, the sites in flight finish..."));
    updateControls();
}

void frmDeploy::onSiteDone(const fleet::SiteDeploy& site, int done, int total)
{
    m_model->setDone(site);
    if (!m_stopAsked) {
        m_lastDone = site.site;
    }
    if (site.outcome == fleet::DeployOutcome::Verified) {
        Q_EMIT siteDeployed(site.site);
    }
    if (!m_stopAsked) {
        setStatus(QStringLiteral("Deploying: %1 of %2 sites ended").arg(done).arg(total));
    }
}

void frmDeploy::onFinished(const fleet::DeployReport& report)
{
    m_running = false;
    // A run is spent: another deploy starts from a new preview.
    m_planned = false;
    if (report.error) {
        setStatus(sitetexts::unreachableText(report.error->message));
    } else {
        QString how;
        if (!report.stoppedAfter.isEmpty()) {
            how = QStringLiteral("Deploy %1 stopped after %2")
                      .arg(report.id)
                      .arg(report.stoppedAfter);
        } else if (m_stopAsked) {
            how = m_lastDone.isEmpty()
                      ? QStringLiteral("Deploy %1 stopped before any site ended").arg(report.id)
                      : QStringLiteral("Deploy %1 stopped after %2").arg(report.id).arg(m_lastDone);
        } else {
            how = QStringLiteral("Deploy %1 done").arg(report.id);
        }
        if (!report.recordError.isEmpty()) {
            how += QStringLiteral(" (not all of it recorded: %1)").arg(report.recordError);
        }
        setStatus(QStringLiteral("%1: %2").arg(how, deploytexts::countsText(report)));
    }
    updateControls();
    Q_EMIT deployFinished(report);
    if (m_closeWhenDone) {
        m_closeWhenDone = false;
        close();
    }
}
