#include "dialogs/DifferencesModel.h"
#include "dialogs/Prompts.h"
#include "dialogs/SiteTexts.h"
#include "dialogs/VersionsModel.h"
#include "dialogs/frmSiteHistory.h"
#include "fleet/History.h"
#include "session/PanelSession.h"

#include <QLabel>

// What the history window does with the selected version: compare it with the processor,
// restore it with a read-back, open it in the panel, export it, approve it.
namespace {

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

void frmSiteHistory::showDiff(const fleet::DiffResult& result)
{
    const auto title = [](const fleet::DiffSide& side) {
        return side.choice.kind == fleet::DiffSideChoice::Kind::Live
                   ? QStringLiteral("Processor now")
                   : sitetexts::versionTitle(side.version);
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
    fleet::DiffSideChoice version;
    version.number = number;
    fleet::DiffSideChoice live;
    live.kind = fleet::DiffSideChoice::Kind::Live;
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
    fleet::DiffSideChoice live;
    live.kind = fleet::DiffSideChoice::Kind::Live;
    fleet::DiffSideChoice version;
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
