// Runs one file operation for a test, possibly as another user or in a private mount
// namespace, and prints what happened as key=value lines.
//
//   orvex_storage_probe hello
//   orvex_storage_probe writeparams <path>
//   orvex_storage_probe readparams <path>
//   orvex_storage_probe setaside <path>
//   orvex_storage_probe panel <programDir> [gate]

#include "model/ParameterSet.h"
#include "session/PanelSession.h"
#include "storage/OutputPath.h"
#include "storage/ParameterFile.h"
#include "storage/SetAside.h"
#include "support/FileBytes.h"
#include "support/MemoryLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

int writeParams(QTextStream& out, const QString& path)
{
    const QByteArray before = contentOf(path);
    const std::optional<storage::OutputPathProblem> problem = storage::checkOutputPath(path);
    out << "check=" << (problem ? storage::describeOutputPathProblem(*problem) : QString()) << '\n';
    const model::ParameterSet set;
    const std::optional<storage::FileError> error = storage::writeParameterFile(path, set);
    out << "error=" << (error ? error->description() : QString()) << '\n';
    out << "intact=" << (contentOf(path) == before ? 1 : 0) << '\n';
    out << "entries="
        << QDir(QFileInfo(path).absolutePath())
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
               .join(QLatin1Char(','))
        << '\n';
    return 0;
}

int readParams(QTextStream& out, const QString& path)
{
    model::ParameterSet set;
    const std::optional<storage::FileError> error = storage::readParameterFile(path, set);
    out << "error=" << (error ? error->description() : QString()) << '\n';
    return 0;
}

int setAside(QTextStream& out, const QString& path)
{
    const storage::FileResult<QString> moved = storage::setAside(path);
    out << "error=" << (moved.error ? moved.error->description() : QString()) << '\n';
    out << "moved=" << moved.value << '\n';
    out << "entries="
        << QDir(QFileInfo(path).absolutePath())
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
               .join(QLatin1Char(','))
        << '\n';
    return 0;
}

// What the panel does with its data folder from start to close, through the session: the
// settings and the working file in, a slider moved, both files out.
int runPanel(QTextStream& out, const QString& programDir, const QString& gate)
{
    MemoryLine line;
    session::SessionEnvironment env;
    env.programDir = programDir;
    env.lines = &line;
    session::PanelSession s(env);
    s.readSettings();
    const session::PanelSession::WorkingFileLoad load = s.loadWorkingFile();
    out << "datadir=" << s.dataDir() << '\n';
    out << "loadError=" << (load.error ? load.error->description() : QString()) << '\n';
    out << "gate=" << s.params().value(model::Member::gate) << '\n';
    if (!gate.isEmpty()) {
        s.params().assign(model::Member::gate, gate.toInt());
    }
    const std::optional<storage::FileError> saved = s.writeParameterFile(s.workingFilePath());
    const std::optional<storage::FileError> settings = s.writeSettings();
    out << "saveError=" << (saved ? saved->description() : QString()) << '\n';
    out << "settingsError=" << (settings ? settings->description() : QString()) << '\n';
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QCoreApplication::setOrganizationName(QStringLiteral("OrvexDAB"));
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("hello")) {
        out << "hello=ok\n";
        return 0;
    }
    if (mode == QLatin1String("writeparams") && args.size() == 3) {
        return writeParams(out, args.at(2));
    }
    if (mode == QLatin1String("readparams") && args.size() == 3) {
        return readParams(out, args.at(2));
    }
    if (mode == QLatin1String("setaside") && args.size() == 3) {
        return setAside(out, args.at(2));
    }
    if (mode == QLatin1String("panel") && args.size() >= 3) {
        return runPanel(out, args.at(2), args.value(3));
    }
    out << "usage=bad\n";
    return 2;
}
