#include "cli/PortRun.h"

#include "cli/PortSpec.h"
#include "session/PortText.h"

namespace cli {

QString failureText(const lnk::ExchangeResult& result)
{
    return session::failureText(result);
}

PortRun::PortRun(Job job, std::optional<lnk::PortRef> port, const session::SessionEnvironment& env,
                 session::OutputFileWriter& writer, QObject* parent)
    : QObject(parent), m_job(std::move(job)), m_writer(writer), m_session(env)
{
    if (!port) {
        m_session.readSettings();
    } else if (port->isNumber()) {
        m_session.setPortNo(port->number);
    } else {
        m_session.setPortAddress(port->address);
    }
    m_outcome.port = m_session.port().name();
    m_outcome.command = verbWord(m_job.verb, m_job.command);
    connect(&m_session, &session::PanelSession::exchangeFinished, this,
            &PortRun::onExchangeFinished);
}

void PortRun::start()
{
    // Every port starts from the same values, whatever the change rules would make of a
    // panel read field by field: they fired once, when the file was checked.
    m_session.params().restore(m_job.values);
    switch (m_job.verb) {
    case Verb::Send:
        m_session.sendDay();
        break;
    case Verb::SendNight:
        m_session.sendNight();
        break;
    case Verb::Upload:
        if (!m_job.layout) {
            m_session.upload(session::ReplyUse::Apply);
        } else if (*m_job.layout == lnk::Layout::Day) {
            m_session.uploadDay();
        } else {
            m_session.uploadNight();
        }
        break;
    case Verb::Compare:
        m_session.upload(session::ReplyUse::ReportOnly);
        break;
    case Verb::Command:
        m_session.command(*m_job.command);
        break;
    default:
        break;
    }
}

void PortRun::onExchangeFinished(const lnk::ExchangeResult& result)
{
    m_outcome.ok = result.ok();
    m_outcome.layout = result.layout;
    if (!result.ok()) {
        m_outcome.error = failureText(result);
    } else if (m_job.verb == Verb::Upload) {
        writeOutput();
        return;
    } else if (m_job.verb == Verb::Compare) {
        // In reply order, as the processor lists them; each told as file, then processor.
        const QList<session::Difference> found =
            session::differences(session::CarriedValues::ofReply(*result.layout, result.reply()),
                                 session::CarriedValues::ofFile(m_job.values));
        for (const session::Difference& d : found) {
            m_outcome.differences.append({d.member, d.b, d.a});
        }
    }
    Q_EMIT finished();
}

void PortRun::writeOutput()
{
    const QString path = outputPathFor(m_job.output, port());
    m_writer.write(path, m_session.params().values(),
                   [this, path](const std::optional<storage::FileError>& error) {
                       if (error) {
                           m_outcome.ok = false;
                           m_outcome.error =
                               QStringLiteral("%1: %2").arg(path, error->description());
                       } else {
                           m_outcome.output = path;
                       }
                       Q_EMIT finished();
                   });
}

} // namespace cli
