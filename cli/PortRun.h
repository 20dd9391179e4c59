#pragma once

#include "cli/Arguments.h"
#include "session/Comparison.h"
#include "session/OutputFile.h"
#include "session/PanelSession.h"
#include "session/ProcessorChannel.h"

#include <QObject>

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
    QString port;                           // "COM3", or the address
    QString command;                        // "upload", "testtone"
    bool ok = false;                        // the exchange (and for upload the file) succeeded
    QString error;                          // the panel's message and what the line said
    std::optional<lnk::Layout> layout;      // upload and compare: the reply's layout
    QList<session::Difference> differences; // compare: a the file's value, b the processor's
    QString output;                         // upload: the file written
};

// The panel's message for a failed exchange, followed by the line's own words in brackets:
// "Error RS232, ... (port missing: No serial device for port number 9)".
QString failureText(const lnk::ExchangeResult& result);

class PortRun : public QObject
{
    Q_OBJECT

public:
    // port nothing: the port of the settings file, as the panel starts with.
    // writer: where output files are written and flushed, off the event loop.
    PortRun(Job job, std::optional<lnk::PortRef> port, const session::SessionEnvironment& env,
            session::OutputFileWriter& writer, QObject* parent = nullptr);

    lnk::PortRef port() const { return m_channel.port(); }
    void start();
    const PortOutcome& outcome() const { return m_outcome; }

Q_SIGNALS:
    void finished();

private:
    void onExchangeFinished(const session::ChannelResult& result);
    void writeOutput(const lnk::ExchangeResult& result);

    Job m_job;
    session::OutputFileWriter& m_writer;
    session::ProcessorChannel m_channel;
    PortOutcome m_outcome;
};

} // namespace cli
