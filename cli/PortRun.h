#pragma once

#include "cli/Arguments.h"
#include "cli/Comparison.h"
#include "session/PanelSession.h"

#include <QObject>
#include <QThreadPool>

#include <optional>

// One port's part of a command: a session of its own, one exchange, and what came of it.
namespace cli {

// What every port does; the same for all of them.
struct Job
{
    Verb verb = Verb::Send;
    std::optional<lnk::Command> command;
    std::optional<lnk::Layout> layout; // upload: nothing takes the reply by its length
    // send: the file's values; upload: the base the reply goes onto; compare: the file's values.
    model::ParameterSet::Values values{};
    QString output; // upload: the path, {port} to be replaced by the port
};

struct PortOutcome
{
    QString port;                      // "COM3", or the address
    QString command;                   // "upload", "testtone"
    bool ok = false;                   // the exchange (and for upload the file) succeeded
    QString error;                     // the panel's message and what the line said
    std::optional<lnk::Layout> layout; // upload and compare: the reply's layout
    QList<Difference> differences;     // compare
    QString output;                    // upload: the file written
};

// The panel's message for a failed exchange, followed by the line's own words in brackets:
// "Error RS232, ... (port missing: No serial device for port number 9)".
QString failureText(const lnk::ExchangeResult& result);

class PortRun : public QObject
{
    Q_OBJECT

public:
    // port nothing: the port of the settings file, as the panel starts with.
    // writers: where output files are written and flushed, off the event loop.
    PortRun(Job job, std::optional<lnk::PortRef> port, const session::SessionEnvironment& env,
            QThreadPool& writers, QObject* parent = nullptr);

    lnk::PortRef port() const { return m_session.port(); }
    void start();
    const PortOutcome& outcome() const { return m_outcome; }

Q_SIGNALS:
    void finished();

private:
    void onExchangeFinished(const lnk::ExchangeResult& result);
    void writeOutput();
    void onWritten(const QString& path, const std::optional<storage::FileError>& error);

    Job m_job;
    QThreadPool& m_writers;
    session::PanelSession m_session;
    PortOutcome m_outcome;
};

} // namespace cli
