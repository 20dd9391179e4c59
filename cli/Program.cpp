#include "cli/Program.h"

#include "cli/CheckVerb.h"
#include "cli/Console.h"
#include "cli/FleetCommand.h"
#include "cli/PortListing.h"
#include "cli/PortSpec.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "fleet/Check.h"
#include "fleet/DescriptorLimit.h"
#include "fleet/StoreLocation.h"
#include "link/Printable.h"
#include "session/PortAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTimer>

namespace cli {
namespace {

void out(const QString& text)
{
    writeOut(text);
}

// Writing a file is mostly waiting for the disk, so more writers than cores pay.
constexpr int kWriters = 8;

QString programName()
{
    return QStringLiteral("orvexdab-cli");
}

QString fileErrorText(const QString& path, const storage::FileError& error)
{
    QString text = QStringLiteral("%1: %2").arg(path, error.description());
    if (error.field > 0) {
        text += QStringLiteral(" (line %1)").arg(error.field);
    }
    return text;
}

} // namespace

Program::Program(QStringList arguments, QString programDir, QObject* parent)
    : QObject(parent), m_arguments(std::move(arguments)), m_programDir(std::move(programDir)),
      m_writer(kWriters)
{}

Program::~Program() = default;

void Program::start()
{
    if (const std::optional<int> status = prepare()) {
        QTimer::singleShot(0, this, [this, s = *status] { Q_EMIT finished(s); });
        return;
    }
    if (m_fleet != nullptr) {
        connect(m_fleet, &FleetCommand::finished, this, &Program::finished);
        m_fleet->start();
        return;
    }
    m_progress = std::make_unique<ProgressLine>(verbWord(m_invocation.verb, m_invocation.command),
                                                int(m_runs.size()), standardErrorIsTerminal());
    // The pool paces the ports: at most --parallel exchanges (and lines) at once, one started
    // a turn. Each exchange ends within its own time-outs and closes its line, so the pool keeps
    // no deadline of its own and a port run outlives its slot to report.
    fleet::PoolSettings pool;
    pool.parallel = m_invocation.parallel.value_or(pool.parallel);
    pool.deadline = std::chrono::milliseconds(0);
    pool.retry.retries = 0;
    m_pool = new fleet::JobPool(pool, this);
    for (PortRun* run : std::as_const(m_runs)) {
        m_pool->add(
            [run](QObject* holder, const fleet::JobPool::End& end) {
                connect(run, &PortRun::finished, holder, [end] { end(false, [] {}); });
                run->start();
            },
            [](const QString&) {});
    }
}

std::optional<int> Program::usageError(const QString& error, bool hint)
{
    reportError(error, m_json, hint);
    return kExitUsage;
}

std::optional<int> Program::checkUnknown(const QString& why)
{
    out(checkOutput(fleet::unknownCheck(why), m_json));
    return int(fleet::CheckState::Unknown);
}

std::optional<QString> Program::prepareDataDir(QString& dataDir) const
{
    if (m_invocation.dataDir.isEmpty()) {
        dataDir = session::dataFolder(m_programDir);
        return std::nullopt;
    }
    const QFileInfo given(m_invocation.dataDir);
    if (given.exists() && !given.isDir()) {
        return QStringLiteral("%1: not a folder").arg(m_invocation.dataDir);
    }
    // A scheduled run's first use of a fresh folder: it is created as the per-user one is, but
    // not only to list ports, which writes nothing there.
    const bool writes = m_invocation.verb != Verb::Ports && !onlyReadsStore(m_invocation.verb);
    if (!given.exists() && writes && !QDir().mkpath(m_invocation.dataDir)) {
        return fileErrorText(m_invocation.dataDir,
                             storage::FileError{storage::FileErrorKind::PathNotFound});
    }
    dataDir = QDir::toNativeSeparators(given.absoluteFilePath());
    return std::nullopt;
}

std::optional<QString> Program::checkOutputs() const
{
    // Each run knows its port by now, the panel's port of the settings file included.
    for (const PortRun* run : m_runs) {
        const QString path = outputPathFor(m_invocation.output, run->port());
        if (const std::optional<storage::FileError> error = session::checkOutputPath(path)) {
            return fileErrorText(path, *error);
        }
    }
    return std::nullopt;
}

std::optional<int> Program::prepare()
{
    m_json = asksForJson(m_arguments);
    const ParsedArguments parsed = parseArguments(m_arguments);
    if (!parsed.error.isEmpty()) {
        // The check speaks the monitoring plugins' language even about its command line.
        if (parsed.invocation.verb == Verb::Check || namesCheck(m_arguments)) {
            return checkUnknown(parsed.error);
        }
        return usageError(parsed.error);
    }
    m_invocation = parsed.invocation;
    const Invocation& inv = m_invocation;
    if (inv.parallel && !runsInParallel(inv.verb) && inv.verb != Verb::Help &&
        inv.verb != Verb::Version) {
        return usageError(QStringLiteral("--parallel belongs to backup, drift and the commands "
                                         "that talk to ports"));
    }
    if (runsInParallel(inv.verb)) {
        // As far as the lines at once need, and no further; hooks get the original limit back.
        fleet::raiseDescriptorLimit(inv.parallel.value_or(fleet::PoolSettings().parallel));
    }
    if (!inv.store.isEmpty() && !isFleetVerb(inv.verb) && inv.verb != Verb::Help &&
        inv.verb != Verb::Version) {
        return usageError(QStringLiteral("--store belongs to the fleet commands"));
    }
    if (inv.verb == Verb::Help) {
        out(inv.helpText);
        return kExitOk;
    }
    if (inv.verb == Verb::Version) {
        out(QStringLiteral("%1 %2\n").arg(programName(), QCoreApplication::applicationVersion()));
        return kExitOk;
    }
    session::SessionEnvironment env;
    env.programDir = m_programDir;
    // Chosen once for every session: they all read the same ports.ini, links and settings.
    if (const std::optional<QString> error = prepareDataDir(env.dataDir)) {
        return inv.verb == Verb::Check ? checkUnknown(*error) : usageError(*error, false);
    }
    if (isFleetVerb(inv.verb)) {
        return prepareFleet(env.dataDir);
    }
    if (inv.verb == Verb::Ports) {
        const lnk::PortListing listing = session::portListing(env.dataDir);
        out(inv.json ? jsonListing(listing) : textListing(listing));
        return listing.mapUsable() ? kExitOk : kExitFailed;
    }

    const PortsExpansion expansion = expandPorts(inv.ports);
    if (!expansion.error.isEmpty()) {
        return usageError(expansion.error);
    }
    Job job;
    job.verb = inv.verb;
    job.command = inv.command;
    job.layout = inv.layout;
    job.output = inv.output;
    job.values = model::ParameterSet().values();
    const QString file = inv.verb == Verb::Upload ? inv.base : inv.file;
    if (!file.isEmpty()) {
        const storage::FileResult<model::ParameterSet::Values> read =
            session::readParameterValues(file);
        if (!read.ok()) {
            return usageError(fileErrorText(file, *read.error), false);
        }
        job.values = read.value;
    }
    if (inv.verb == Verb::Upload && expansion.ports.size() > 1) {
        if (!inv.output.contains(QLatin1String(kPortPlaceholder))) {
            return usageError(QStringLiteral("with several ports --output must contain %1")
                                  .arg(QLatin1String(kPortPlaceholder)));
        }
        QSet<QString> outputs;
        for (const lnk::PortRef& port : expansion.ports) {
            const QString path = outputPathFor(inv.output, port);
            if (outputs.contains(path)) {
                return usageError(QStringLiteral("two ports would write %1").arg(path));
            }
            outputs.insert(path);
        }
    }

    if (expansion.ports.isEmpty()) {
        m_runs.append(new PortRun(job, std::nullopt, env, m_writer, this));
    }
    for (const lnk::PortRef& port : expansion.ports) {
        m_runs.append(new PortRun(job, port, env, m_writer, this));
    }
    if (inv.verb == Verb::Upload) {
        if (const std::optional<QString> error = checkOutputs()) {
            qDeleteAll(m_runs);
            m_runs.clear();
            return usageError(*error, false);
        }
    }
    for (PortRun* run : std::as_const(m_runs)) {
        connect(run, &PortRun::finished, this, &Program::onPortFinished);
    }
    return std::nullopt;
}

std::optional<int> Program::prepareFleet(const QString& dataDir)
{
    const Invocation& inv = m_invocation;
    const bool check = inv.verb == Verb::Check;
    const auto refuse = [this, check](const QString& error, bool hint) -> std::optional<int> {
        return check ? checkUnknown(error) : usageError(error, hint);
    };
    if (!inv.ports.isEmpty()) {
        return refuse(QStringLiteral("--port and --ports-file do not apply to %1: each site "
                                     "has its port")
                          .arg(verbWord(inv.verb)),
                      true);
    }
    // Asking needs someone to answer: off a terminal only --yes sends.
    if ((inv.verb == Verb::Restore || inv.verb == Verb::Deploy) && !inv.fleet.yes &&
        !standardInputIsTerminal()) {
        return refuse(QStringLiteral("%1 needs --yes when standard input is not a terminal")
                          .arg(verbWord(inv.verb)),
                      true);
    }
    // A data folder that is not there holds no store and no fleet.ini: its store is missing.
    const fleet::LocationParse location =
        inv.store.isEmpty() && !QFileInfo(dataDir).isDir()
            ? fleet::parseStoreUrl(QStringLiteral("sqlite:") +
                                   QDir(dataDir).filePath(QLatin1String(fleet::kStoreFileName)))
            : fleet::storeLocationFor(dataDir, inv.store);
    if (!location.location) {
        return refuse(location.error, false);
    }
    m_fleet = new FleetCommand(inv, dataDir, *location.location, this);
    return std::nullopt;
}

void Program::onPortFinished()
{
    m_progress->portDone();
    if (++m_done < m_runs.size()) {
        return;
    }
    m_progress->clear();
    QList<PortOutcome> outcomes;
    for (const PortRun* run : std::as_const(m_runs)) {
        outcomes.append(run->outcome());
        out(m_invocation.json ? jsonReport(run->outcome()) : textReport(run->outcome()));
    }
    Q_EMIT finished(exitStatus(outcomes));
}

} // namespace cli
