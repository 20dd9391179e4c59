#include "fleet/SiteUpload.h"

#include "session/PortText.h"

namespace fleet {

SiteUpload::SiteUpload(const QString& port, const LinkSetup& link, QObject* parent)
    : QObject(parent), m_channel(link.dataDir, link.lines)
{
    m_portError = m_channel.setPort(port);
    connect(&m_channel, &session::ProcessorChannel::finished, this, &SiteUpload::onFinished);
    if (link.monitor != nullptr) {
        connect(&m_channel, &session::ProcessorChannel::finished, link.monitor,
                [monitor = link.monitor](const session::ChannelResult& r) {
                    monitor->show(r.exchange);
                });
    }
}

void SiteUpload::start()
{
    if (!m_portError.isEmpty()) {
        m_result.error = m_portError;
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT finished(m_result); }, Qt::QueuedConnection);
        return;
    }
    m_channel.upload(std::nullopt, lnk::kNightUploadWait, session::ReplyLength::Exact);
}

void SiteUpload::onFinished(const session::ChannelResult& result)
{
    const lnk::ExchangeResult& r = result.exchange;
    ++m_result.tries;
    m_result.portBusy = !r.ok() && r.fault == lnk::LineFault::PortBusy;
    m_result.at = QDateTime::currentDateTimeUtc();
    if (r.requestLeft) {
        m_result.nextFrameAt = *r.requestLeft + session::kFrameGap;
    }
    m_result.ok = r.ok() && result.reply.has_value();
    if (!m_result.ok) {
        m_result.error = session::failureText(r);
    } else {
        m_result.layout = *r.layout;
        m_result.values = result.reply->over(initialValues());
    }
    Q_EMIT finished(m_result);
}

} // namespace fleet
