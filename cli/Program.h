#pragma once

#include "cli/Arguments.h"
#include "cli/PortRun.h"
#include "cli/Progress.h"
#include "fleet/JobPool.h"
#include "session/OutputFile.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

// orvexdab-cli as a whole: checks the command line, every file and every port before a byte is
// sent, runs one session per port all at once on the event loop, and prints the results in the
// order the ports were given.
namespace cli {

class FleetCommand;

class Program : public QObject
{
    Q_OBJECT

public:
    // arguments without the program name; programDir decides the data folder, as the panel's.
    Program(QStringList arguments, QString programDir, QObject* parent = nullptr);
    ~Program() override;

    // finished() follows, from the event loop, once every port is done.
    void start();

Q_SIGNALS:
    void finished(int exitStatus);

private:
    // The exit status when nothing is to be sent (help, ports, any error); nothing once the
    // exchanges run.
    std::optional<int> prepare();
    // A usage error: said on standard error (and as JSON on standard output when asked for);
    // hint adds the pointer to --help.
    std::optional<int> usageError(const QString& error, bool hint = true);
    // The check's own problems (its command line, its data folder) are UNKNOWN, said as a check.
    std::optional<int> checkUnknown(const QString& why);
    std::optional<QString> prepareDataDir(QString& dataDir) const;
    std::optional<QString> checkOutputs() const;
    // The fleet verbs' own checks, then their command; the exit status when it cannot run.
    std::optional<int> prepareFleet(const QString& dataDir);
    void onPortFinished();

    QStringList m_arguments;
    QString m_programDir;
    Invocation m_invocation;
    bool m_json = false;
    // Waits for its files when the program goes, before the runs go.
    session::OutputFileWriter m_writer;
    QList<PortRun*> m_runs;
    fleet::JobPool* m_pool = nullptr; // paces the port runs
    int m_done = 0;
    std::unique_ptr<ProgressLine> m_progress;
    FleetCommand* m_fleet = nullptr;
};

} // namespace cli
