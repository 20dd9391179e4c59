#include "cli/FleetCommand.h"

#include "cli/Console.h"
#include "cli/FleetReport.h"
#include "cli/Report.h"
#include "fleet/History.h"
#include "link/Printable.h"
#include "session/OutputFile.h"

#include <QTimer>

namespace cli {
namespace {

QString siteLine(const fleet::Site& s, const QString& what)
{
    QString text = QStringLiteral("%1: %2, port %3").arg(lnk::printable(s.name), what, s.port);
    if (!s.group.isEmpty()) {
        text += QStringLiteral(", group %1").arg(lnk::printable(s.group));
    }
    if (!s.owner.isEmpty()) {
        text += QStringLiteral(", local to %1").arg(lnk::printable(s.owner.text()));
    }
    return text + QLatin1Char('\n');
}

} // namespace

int storeExitStatus(const fleet::StoreError& error)
{
    // A store that cannot be read as one is like unreadable input; one that fails while
    // working is a failure.
    using K = fleet::StoreErrorKind;
    const bool unusable = error.kind == K::Missing || error.kind == K::Damaged ||
                          error.kind == K::Newer || error.kind == K::NoDriver;
    return error.isUsage() || unusable ? kExitUsage : kExitFailed;
}

FleetCommand::FleetCommand(Invocation invocation, QString dataDir, fleet::StoreLocation location,
                           QObject* parent)
    : QObject(parent), m_inv(std::move(invocation)), m_args(m_inv.fleet),
      m_dataDir(std::move(dataDir)), m_location(std::move(location))
{}

FleetCommand::~FleetCommand() = default;

void FleetCommand::start()
{
    const auto now = [this](const std::function<int(fleet::Store&)>& verb) {
        fleet::Store store(m_location);
        store.setPlace(fleet::placeHere(m_dataDir));
        done(verb(store));
    };
    using namespace std::placeholders;
    const bool reachesProcessors = m_inv.verb == Verb::Backup || m_inv.verb == Verb::Diff ||
                                   m_inv.verb == Verb::Drift || m_inv.verb == Verb::Restore ||
                                   m_inv.verb == Verb::Deploy;
    if (reachesProcessors) {
        const fleet::PolicyParse policy = fleet::fleetPolicy(m_dataDir);
        if (!policy.error.isEmpty()) {
            return done(usage(policy.error));
        }
        m_policy = policy.policy;
    }
    switch (m_inv.verb) {
    case Verb::SiteAdd:
        return now(std::bind(&FleetCommand::siteAdd, this, _1));
    case Verb::SiteSet:
        return now(std::bind(&FleetCommand::siteSet, this, _1));
    case Verb::SiteRemove:
        return now(std::bind(&FleetCommand::siteRemove, this, _1));
    case Verb::SiteList:
        return now(std::bind(&FleetCommand::siteList, this, _1));
    case Verb::History:
        return now(std::bind(&FleetCommand::history, this, _1));
    case Verb::Export:
        return now(std::bind(&FleetCommand::exportVersion, this, _1));
    case Verb::Approve:
        return m_args.source.isEmpty() ? now(std::bind(&FleetCommand::approve, this, _1))
                                       : now(std::bind(&FleetCommand::approveSound, this, _1));
    case Verb::Deploys:
        return now(std::bind(&FleetCommand::deploys, this, _1));
    case Verb::Deploy:
        return startDeploy();
    case Verb::Unapprove:
        return now(std::bind(&FleetCommand::unapprove, this, _1));
    case Verb::Check:
        return startCheck();
    case Verb::Backup:
        return startBackup();
    case Verb::Diff:
        return startDiff();
    case Verb::Drift:
        return startDrift();
    case Verb::Restore:
        return startRestore();
    default:
        return done(kExitUsage);
    }
}

void FleetCommand::print(const QString& text, const QJsonObject& json) const
{
    writeOut(m_inv.json ? jsonLine(json) : text);
}

int FleetCommand::failure(const fleet::StoreError& error) const
{
    reportError(error.message, m_inv.json, false);
    return storeExitStatus(error);
}

int FleetCommand::usage(const QString& error) const
{
    reportError(error, m_inv.json, true);
    return kExitUsage;
}

void FleetCommand::done(int exitStatus)
{
    if (m_progress) {
        m_progress->clear();
    }
    QTimer::singleShot(0, this, [this, exitStatus] { Q_EMIT finished(exitStatus); });
}

fleet::LinkSetup FleetCommand::link() const
{
    fleet::LinkSetup link;
    link.dataDir = m_dataDir;
    link.pool = m_policy.pool;
    link.policy = m_policy;
    if (m_inv.parallel) {
        link.pool.parallel = *m_inv.parallel;
    }
    return link;
}

fleet::StoreWorker& FleetCommand::worker()
{
    if (!m_worker) {
        m_worker = std::make_unique<fleet::StoreWorker>(m_location, fleet::placeHere(m_dataDir));
    }
    return *m_worker;
}

int FleetCommand::siteAdd(fleet::Store& store)
{
    const auto r = store.addSite(m_args.sites.value(0), m_args.port, m_args.group);
    if (!r.ok()) {
        return failure(*r.error);
    }
    print(siteLine(r.value, QStringLiteral("added")), siteJson(r.value));
    return kExitOk;
}

int FleetCommand::siteSet(fleet::Store& store)
{
    fleet::SiteChange change;
    const auto given = [](const QString& text) {
        return text.isNull() ? std::nullopt : std::optional<QString>(text);
    };
    change.port = given(m_args.port);
    change.group = given(m_args.group);
    change.name = given(m_args.newName);
    change.claim = m_args.here;
    const auto r = store.changeSite(m_args.sites.value(0), change);
    if (!r.ok()) {
        return failure(*r.error);
    }
    print(siteLine(r.value, QStringLiteral("changed")), siteJson(r.value));
    return kExitOk;
}

int FleetCommand::siteRemove(fleet::Store& store)
{
    const QString name = m_args.sites.value(0);
    if (const auto error = store.removeSite(name, m_args.purge)) {
        return failure(*error);
    }
    const QString what = m_args.purge ? QStringLiteral("removed with its history")
                                      : QStringLiteral("removed, its history kept");
    print(QStringLiteral("%1: %2\n").arg(lnk::printable(name), what),
          {{QStringLiteral("site"), name},
           {QStringLiteral("removed"), true},
           {QStringLiteral("purged"), m_args.purge}});
    return kExitOk;
}

int FleetCommand::siteList(fleet::Store& store)
{
    const auto r = store.sites();
    if (!r.ok()) {
        return failure(*r.error);
    }
    if (!m_inv.json) {
        writeOut(r.value.isEmpty() ? QStringLiteral("no sites\n") : siteTableText(r.value));
        return kExitOk;
    }
    for (const fleet::Site& s : r.value) {
        writeOut(jsonLine(siteJson(s)));
    }
    return kExitOk;
}

int FleetCommand::history(fleet::Store& store)
{
    const auto r = fleet::history(store, m_args.sites.value(0));
    if (!r.ok()) {
        return failure(*r.error);
    }
    if (r.value.isEmpty() && !m_inv.json) {
        writeOut(QStringLiteral("%1: no versions yet\n").arg(lnk::printable(m_args.sites[0])));
    }
    for (const fleet::HistoryEntry& e : r.value) {
        print(historyText(e), historyJson(e));
    }
    // A reference that holds its own values is no version: it follows them, saying where its
    // values came from.
    const auto references = store.references(m_args.sites.value(0));
    if (!references.ok()) {
        return failure(*references.error);
    }
    for (const fleet::Version& ref : references.value) {
        if (ref.number == 0) {
            print(soundReferenceText(ref), soundReferenceJson(ref));
        }
    }
    return kExitOk;
}

int FleetCommand::exportVersion(fleet::Store& store)
{
    if (const auto e = session::checkOutputPath(m_args.output)) {
        return usage(QStringLiteral("%1: %2").arg(m_args.output, e->description()));
    }
    const QString name = m_args.sites.value(0);
    const fleet::ExportResult r =
        fleet::exportVersion(store, name, *m_args.version, m_args.output, m_args.base);
    if (r.error) {
        return failure(*r.error);
    }
    if (!r.baseError.isEmpty()) {
        return usage(r.baseError);
    }
    if (!r.writeError.isEmpty()) {
        reportError(r.writeError, m_inv.json, false);
        return kExitFailed;
    }
    print(QStringLiteral("%1: version %2 written to %3\n")
              .arg(lnk::printable(name))
              .arg(*m_args.version)
              .arg(m_args.output),
          {{QStringLiteral("site"), name},
           {QStringLiteral("version"), *m_args.version},
           {QStringLiteral("output"), m_args.output}});
    return kExitOk;
}

int FleetCommand::approve(fleet::Store& store)
{
    const QString name = m_args.sites.value(0);
    const auto r = store.approve(name, m_args.version);
    if (!r.ok()) {
        return failure(*r.error);
    }
    const QString layout = fleet::layoutName(r.value.layout);
    print(QStringLiteral("%1: version %2 is the %3 reference\n")
              .arg(lnk::printable(name))
              .arg(r.value.number)
              .arg(layout),
          {{QStringLiteral("site"), name},
           {QStringLiteral("version"), r.value.number},
           {QStringLiteral("layout"), layout}});
    return kExitOk;
}

int FleetCommand::unapprove(fleet::Store& store)
{
    const QString name = m_args.sites.value(0);
    const auto r = store.unapprove(name, m_args.layout);
    if (!r.ok()) {
        return failure(*r.error);
    }
    const QString which =
        m_args.layout ? fleet::layoutName(*m_args.layout) + QLatin1Char(' ') : QString();
    print(r.value == 0
              ? QStringLiteral("%1: no %2reference to remove\n").arg(lnk::printable(name), which)
              : QStringLiteral("%1: %2reference removed\n").arg(lnk::printable(name), which),
          {{QStringLiteral("site"), name}, {QStringLiteral("removed"), r.value}});
    return kExitOk;
}

} // namespace cli
