#include "cli/PortRun.h"

#include "cli/PortSpec.h"
#include "session/PortAccess.h"
#include "session/PortText.h"

namespace cli {

QString failureText(const lnk::ExchangeResult& result)
{
    return session::failureText(result);
}

PortRun::PortRun(Job job, std::optional<lnk::PortRef> port, const session::SessionEnvironment& env,
                 session::OutputFileWriter& writer, QObject* parent)
    : QObject(parent), m_job(std::move(job)), m_writer(writer), m_channel(env.dataDir, env.lines)
{
    m_channel.setPort(port ? *port : session::settingsPort(env.dataDir));
    m_outcome.port = m_channel.port().name();
    m_outcome.command = verbWord(m_job.verb, m_job.command);
    connect(&m_channel, &session::ProcessorChannel::finished, this, &PortRun::onExchangeFinished);
}

void PortRun::start()
{
    // Every port gets the same values, whatever the change rules would make of a panel read
    // field by field: they fired once, when the file was checked.
    switch (m_job.verb) {
    case Verb::Send:
        m_channel.send(lnk::Layout::Day, m_job.values);
        break;
    case Verb::SendNight:
        m_channel.send(lnk::Layout::Night, m_job.values);
        break;
    case Verb::Upload:
        m_channel.upload(m_job.layout, !m_job.layout || *m_job.layout == lnk::Layout::Night
                                           ? lnk::kNightUploadWait
                                           : lnk::kDayUploadWait);
        break;
    case Verb::Compare:
        m_channel.upload(std::nullopt, lnk::kNightUploadWait);
        break;
    case Verb::Command:
        m_channel.command(*m_job.command);
        break;
    default:
        break;
    }
}

void PortRun::onExchangeFinished(const session::ChannelResult& channelResult)
{
    const lnk::ExchangeResult& result = channelResult.exchange;
    m_outcome.ok = result.ok();
    m_outcome.layout = result.layout;
    if (!result.ok()) {
        m_outcome.error = failureText(result);
    } else if (m_job.verb == Verb::Upload) {
        writeOutput(result);
        return;
    } else if (m_job.verb == Verb::Compare && channelResult.reply) {
        // In reply order, as the processor lists them; each told as file, then processor.
        const QList<session::Difference> found = session::differences(
            *channelResult.reply, session::CarriedValues::ofFile(m_job.values));
        for (const session::Difference& d : found) {
            m_outcome.differences.append({d.member, d.b, d.a});
        }
    }
    Q_EMIT finished();
}

void PortRun::writeOutput(const lnk::ExchangeResult& result)
{
    // The reply onto the base, through the change rules, as the panel's upload applies it.
    model::ParameterSet set;
    set.restore(m_job.values);
    lnk::applyReply(*result.layout, result.reply(), set, [](int) {});
    const QString path = outputPathFor(m_job.output, port());
    m_writer.write(
        path, set.values(), [this, path](const std::optional<storage::FileError>& error) {
            if (error) {
                m_outcome.ok = false;
                m_outcome.error = QStringLiteral("%1: %2").arg(path, error->description());
            } else {
                m_outcome.output = path;
            }
            Q_EMIT finished();
        });
}

} // namespace cli
