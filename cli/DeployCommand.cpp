// The deploy verbs: deploy and its revert, deploys, and approve --sound.
#include "cli/Console.h"
#include "cli/DeployReport.h"
#include "cli/FleetCommand.h"
#include "cli/FleetReport.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "link/Printable.h"

#include <cstdio>

namespace cli {

void FleetCommand::startDeploy()
{
    fleet::DeployRequest request;
    request.source = m_args.source;
    request.revert = m_args.revert;
    request.selection = {m_args.sites, m_args.group, m_args.all};
    request.layout = m_args.night ? lnk::Layout::Night : lnk::Layout::Day;
    request.canaries = m_args.canaries;
    request.continueAfterFailure = m_args.continueAfterFailure;
    request.acceptOtherBlock = m_args.acceptOtherBlock;
    request.save = m_args.save;
    request.approve = m_args.approveVerified;
    request.note = m_args.note;
    request.link = link();
    request.hookCommand = m_policy.onChange;
    request.hooksDeadline = m_policy.hooksDeadline;
    m_deploy = new fleet::DeployRun(request, worker(), this);
    connect(m_deploy, &fleet::DeployRun::planned, this, &FleetCommand::onDeployPlanned);
    connect(m_deploy, &fleet::DeployRun::siteDone, this,
            [this](const fleet::SiteDeploy& site, int, int) {
                // Each site as it ends: a run stopped by hand, or killed, has said what it did.
                print(deployText(site), deployJson(site));
            });
    connect(m_deploy, &fleet::DeployRun::hookFailed, this, [](const fleet::HookFailure& f) {
        writeErr(QStringLiteral("orvexdab-cli: on-change command for %1 (%2): %3\n")
                     .arg(lnk::printable(f.event.site), fleet::eventName(f.event.kind),
                          lnk::printable(f.message)));
    });
    connect(m_deploy, &fleet::DeployRun::hookOutput, this, [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
        std::fflush(stderr);
    });
    connect(m_deploy, &fleet::DeployRun::finished, this, &FleetCommand::onDeployFinished);
    m_deploy->plan();
}

void FleetCommand::onDeployPlanned(const fleet::DeployPlan& plan)
{
    if (plan.error) {
        return done(failure(*plan.error));
    }
    if (!plan.usageError.isEmpty()) {
        return done(usage(plan.usageError));
    }
    // What each site would change, before anything is sent; with --json on standard error, so
    // standard output holds only the results.
    QString preview;
    for (const fleet::DeployTarget& t : plan.sites) {
        preview += previewText(t);
    }
    (m_inv.json ? writeErr : writeOut)(preview);
    if (!m_args.yes) {
        writeOut(QStringLiteral("Deploy to %1 %2? [y/N] ")
                     .arg(plan.toSend())
                     .arg(plan.toSend() == 1 ? QStringLiteral("site") : QStringLiteral("sites")));
        if (!agreed()) {
            writeOut(QStringLiteral("nothing sent\n"));
            return done(kExitFailed);
        }
    }
    m_deploy->run();
}

void FleetCommand::onDeployFinished(const fleet::DeployReport& report)
{
    if (report.error) {
        return done(failure(*report.error));
    }
    print(deploySummaryText(report), deploySummaryJson(report));
    if (!report.recordError.isEmpty()) {
        writeErr(QStringLiteral("orvexdab-cli: the run's end not recorded: %1\n")
                     .arg(lnk::printable(report.recordError)));
    }
    done(report.allVerified() && report.recordError.isEmpty() ? kExitOk : kExitFailed);
}

int FleetCommand::deploys(fleet::Store& store)
{
    const auto r = store.deploys();
    if (!r.ok()) {
        return failure(*r.error);
    }
    if (r.value.isEmpty() && !m_inv.json) {
        writeOut(QStringLiteral("no deploys\n"));
    }
    for (const fleet::DeployRecord& run : r.value) {
        print(deploysText(run), deploysJson(run));
    }
    return kExitOk;
}

int FleetCommand::approveSound(fleet::Store& store)
{
    QString why;
    const auto source = fleet::parseDeploySource(m_args.source, &why);
    if (!source) {
        return usage(why);
    }
    // A version is its own layout's sound; a file or a reference is the day's unless --night.
    lnk::Layout layout = m_args.night ? lnk::Layout::Night : lnk::Layout::Day;
    if (source->kind == fleet::DeploySource::Kind::Version) {
        const auto v = store.version(source->site, source->version);
        if (!v.ok()) {
            return failure(*v.error);
        }
        if (m_args.night && v.value.layout != lnk::Layout::Night) {
            return usage(QStringLiteral("%1 is a day version; --night is not for it")
                             .arg(lnk::printable(source->text)));
        }
        layout = v.value.layout;
    }
    const fleet::SourceValues values = fleet::readSource(store, *source, layout);
    if (values.error) {
        return failure(*values.error);
    }
    if (!values.fileError.isEmpty()) {
        return usage(values.fileError);
    }
    fleet::SoundReference sound;
    sound.layout = layout;
    sound.values = values.carried().over(fleet::initialValues());
    sound.origin = source->text;
    const auto r = store.approveSound({m_args.sites, m_args.group, m_args.all}, sound);
    if (!r.ok()) {
        return failure(*r.error);
    }
    for (const fleet::Site& site : r.value) {
        print(QStringLiteral("%1: the %2 reference is %3\n")
                  .arg(lnk::printable(site.name), fleet::layoutName(layout),
                       lnk::printable(sound.origin)),
              {{QStringLiteral("site"), site.name},
               {QStringLiteral("layout"), fleet::layoutName(layout)},
               {QStringLiteral("origin"), sound.origin}});
    }
    return kExitOk;
}

} // namespace cli
