// The fleet verbs that talk to processors: backup, diff, drift and restore.
#include "cli/Console.h"
#include "cli/FleetCommand.h"
#include "cli/FleetReport.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "link/Printable.h"
#include "session/OutputFile.h"

#include <cstdio>

namespace cli {
namespace {

fleet::Selection selectionOf(const FleetArguments& f)
{
    return {f.sites, f.group, f.all};
}

} // namespace

void FleetCommand::startBackup()
{
    fleet::BackupOptions options;
    options.selection = selectionOf(m_args);
    options.follow(m_policy, true);
    options.link = link();
    options.note = m_args.note;
    if (!m_args.metrics.isEmpty()) {
        options.metricsPath = m_args.metrics;
    }
    if (!m_args.onChange.isEmpty()) {
        options.hookCommand = m_args.onChange;
    }
    if (!options.metricsPath.isEmpty()) {
        if (const auto e = session::checkOutputPath(options.metricsPath)) {
            return done(usage(QStringLiteral("%1: %2").arg(options.metricsPath, e->description())));
        }
    }
    auto* run = new fleet::BackupRun(options, worker(), this);
    connect(run, &fleet::BackupRun::siteDone, this,
            [this](const fleet::SiteBackup&, int, int total) {
                if (!m_progress) {
                    m_progress = std::make_unique<ProgressLine>(QStringLiteral("backup"), total,
                                                                standardErrorIsTerminal());
                }
                m_progress->portDone();
            });
    connect(run, &fleet::BackupRun::hookFailed, this, [](const fleet::HookFailure& f) {
        writeErr(QStringLiteral("orvexdab-cli: on-change command for %1 (%2): %3\n")
                     .arg(lnk::printable(f.event.site), fleet::eventName(f.event.kind),
                          lnk::printable(f.message)));
    });
    connect(run, &fleet::BackupRun::hookOutput, this, [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
        std::fflush(stderr);
    });
    connect(run, &fleet::BackupRun::finished, this, &FleetCommand::onBackupFinished);
    run->start();
}

void FleetCommand::onBackupFinished(const fleet::BackupReport& report)
{
    if (m_progress) {
        m_progress->clear();
    }
    if (report.error) {
        return done(failure(*report.error));
    }
    if (report.sites.isEmpty() && !m_inv.json) {
        writeOut(QStringLiteral("no sites\n"));
    }
    for (const fleet::SiteBackup& b : report.sites) {
        print(backupText(b), backupJson(b));
    }
    int status = report.anyFailed() ? kExitFailed : kExitOk;
    if (report.metricsError) {
        writeErr(QStringLiteral("orvexdab-cli: metrics not written: %1\n")
                     .arg(lnk::printable(*report.metricsError)));
        status = kExitFailed;
    }
    done(status);
}

void FleetCommand::startDiff()
{
    std::optional<fleet::DiffSideChoice> sides[2];
    const QString texts[2] = {m_args.a, m_args.b};
    for (int i = 0; i < 2; ++i) {
        if (texts[i].isEmpty()) {
            continue;
        }
        sides[i] = fleet::parseDiffSide(texts[i]);
        if (!sides[i]) {
            return done(
                usage(QStringLiteral("%1 is not a version number, \"reference\" or \"live\"")
                          .arg(texts[i])));
        }
    }
    auto* run =
        new fleet::DiffRun(m_args.sites.value(0), sides[0], sides[1], link(), worker(), this);
    connect(run, &fleet::DiffRun::finished, this, &FleetCommand::onDiffFinished);
    run->start();
}

void FleetCommand::onDiffFinished(const fleet::DiffResult& diff)
{
    if (diff.error) {
        return done(failure(*diff.error));
    }
    if (!diff.liveError.isEmpty()) {
        print(QStringLiteral("%1: failed: %2\n")
                  .arg(lnk::printable(diff.site), lnk::printable(diff.liveError)),
              {{QStringLiteral("site"), diff.site}, {QStringLiteral("error"), diff.liveError}});
        return done(kExitFailed);
    }
    print(diffText(diff), diffJson(diff));
    done(kExitOk);
}

void FleetCommand::startDrift()
{
    fleet::Selection selection = selectionOf(m_args);
    // Without the processors, drift reads only the history, which a removed site keeps.
    selection.withRemoved = !m_args.live;
    auto* run = new fleet::DriftRun(selection, m_args.live, link(), worker(), this);
    connect(run, &fleet::DriftRun::finished, this, &FleetCommand::onDriftFinished);
    run->start();
}

void FleetCommand::onDriftFinished(const fleet::DriftReport& report)
{
    if (report.error) {
        return done(failure(*report.error));
    }
    for (const fleet::SiteDrift& d : report.sites) {
        print(driftText(d), driftJson(d));
    }
    done(report.anyTrouble() ? kExitFailed : kExitOk);
}

void FleetCommand::startRestore()
{
    if (m_args.yes) {
        return sendRestore();
    }
    // What would change: the processor now against the version.
    auto* preview = new fleet::DiffRun(
        m_args.sites.value(0), fleet::DiffSideChoice{fleet::DiffSideChoice::Kind::Live},
        fleet::DiffSideChoice{fleet::DiffSideChoice::Kind::Version, *m_args.version}, link(),
        worker(), this);
    connect(preview, &fleet::DiffRun::finished, this, &FleetCommand::onPreview);
    preview->start();
}

void FleetCommand::onPreview(const fleet::DiffResult& preview)
{
    if (preview.error) {
        return done(failure(*preview.error));
    }
    const QString site = lnk::printable(preview.site);
    if (!preview.liveError.isEmpty()) {
        writeOut(QStringLiteral("%1: failed: %2\n").arg(site, lnk::printable(preview.liveError)));
        return done(kExitFailed);
    }
    writeOut(diffText(preview));
    writeOut(QStringLiteral("Send version %1 to %2? [y/N] ").arg(*m_args.version).arg(site));
    if (!agreed()) {
        writeOut(QStringLiteral("%1: not sent\n").arg(site));
        return done(kExitFailed);
    }
    sendRestore();
}

void FleetCommand::sendRestore()
{
    fleet::RestoreRequest request;
    request.site = m_args.sites.value(0);
    request.version = *m_args.version;
    request.save = m_args.save;
    request.link = link();
    auto* run = new fleet::RestoreRun(request, worker(), this);
    connect(run, &fleet::RestoreRun::finished, this, &FleetCommand::onRestoreFinished);
    run->start();
}

void FleetCommand::onRestoreFinished(const fleet::RestoreResult& r)
{
    if (r.error) {
        return done(failure(*r.error));
    }
    print(restoreText(r), restoreJson(r));
    done(r.ok() ? kExitOk : kExitFailed);
}

} // namespace cli
