#include "cli/Program.h"

#include "cli/PortListing.h"
#include "cli/PortSpec.h"
#include "cli/Report.h"
#include "cli/Terminal.h"
#include "cli/Usage.h"
#include "storage/DataFolder.h"
#include "storage/ParameterFile.h"

#include <QCoreApplication>
#include <QSet>
#include <QTimer>

#include <cstdio>

namespace cli {
namespace {

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void err(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// Writing a file is mostly waiting for the disk, so more writers than cores pay.
constexpr int kWriters = 8;

QString programName()
{
    return QStringLiteral("orvexdab-cli");
}

// A parameter file read as the panel reads one into a fresh panel.
std::optional<QString> readValues(const QString& path, model::ParameterSet::Values& values)
{
    model::ParameterSet set;
    if (const std::optional<storage::FileError> error = storage::readParameterFile(path, set)) {
        QString text = QStringLiteral("%1: %2").arg(path, error->description());
        if (error->field > 0) {
            text += QStringLiteral(" (line %1)").arg(error->field);
        }
        return text;
    }
    values = set.values();
    return std::nullopt;
}

} // namespace

Program::Program(QStringList arguments, QString programDir, QObject* parent)
    : QObject(parent), m_arguments(std::move(arguments)), m_programDir(std::move(programDir))
{
    m_writers.setMaxThreadCount(kWriters);
}

Program::~Program() = default;

void Program::start()
{
    if (const std::optional<int> status = prepare()) {
        QTimer::singleShot(0, this, [this, s = *status] { Q_EMIT finished(s); });
        return;
    }
    m_progress = std::make_unique<ProgressLine>(verbWord(m_invocation.verb, m_invocation.command),
                                                int(m_runs.size()), standardErrorIsTerminal());
    for (PortRun* run : std::as_const(m_runs)) {
        run->start();
    }
}

std::optional<int> Program::usageError(const QString& error)
{
    err(QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(programName(), error));
    return kExitUsage;
}

std::optional<int> Program::prepare()
{
    const ParsedArguments parsed = parseArguments(m_arguments);
    if (!parsed.error.isEmpty()) {
        return usageError(parsed.error);
    }
    m_invocation = parsed.invocation;
    const Invocation& inv = m_invocation;
    if (inv.verb == Verb::Help) {
        out(usageText());
        return kExitOk;
    }
    if (inv.verb == Verb::Version) {
        out(QStringLiteral("%1 %2\n").arg(programName(), QCoreApplication::applicationVersion()));
        return kExitOk;
    }
    session::SessionEnvironment env;
    env.programDir = m_programDir;
    // Chosen once for every session: they all read the same ports.ini, links and settings.
    env.dataDir = storage::chooseDataDir(m_programDir);
    if (inv.verb == Verb::Ports) {
        const lnk::PortListing listing = lnk::listPorts(env.dataDir);
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
        if (const std::optional<QString> error = readValues(file, job.values)) {
            err(QStringLiteral("%1: %2\n").arg(programName(), *error));
            return kExitUsage;
        }
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
        m_runs.append(new PortRun(job, std::nullopt, env, m_writers, this));
    }
    for (const lnk::PortRef& port : expansion.ports) {
        m_runs.append(new PortRun(job, port, env, m_writers, this));
    }
    for (PortRun* run : std::as_const(m_runs)) {
        connect(run, &PortRun::finished, this, &Program::onPortFinished);
    }
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
