#pragma once

#include "cli/Arguments.h"
#include "cli/PortRun.h"
#include "cli/Progress.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <memory>

// orvexdab-cli as a whole: checks the command line, every file and every port before a byte is
// sent, runs one session per port all at once on the event loop, and prints the results in the
// order the ports were given.
namespace cli {

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
    std::optional<int> usageError(const QString& error);
    void onPortFinished();

    QStringList m_arguments;
    QString m_programDir;
    Invocation m_invocation;
    QThreadPool m_writers; // waits for its files when the program goes, before the runs go
    QList<PortRun*> m_runs;
    int m_done = 0;
    std::unique_ptr<ProgressLine> m_progress;
};

} // namespace cli
