#include "fleet/SiteUpload.h"

#include "session/PortText.h"

namespace fleet {

Confirmation confirm(lnk::Layout firstLayout, const Values& first, lnk::Layout secondLayout,
                     const Values& second, const std::optional<Values>& expectedSecond)
{
    const session::CarriedValues a = session::CarriedValues::ofLayout(firstLayout, first);
    const session::CarriedValues b = session::CarriedValues::ofLayout(secondLayout, second);
    if (firstLayout == secondLayout && session::differences(a, b).isEmpty()) {
        return {true, {}};
    }
    // The first was a glitch: the processor holds what it held.
    if (expectedSecond &&
        session::differences(session::CarriedValues::ofLayout(secondLayout, *expectedSecond), b)
            .isEmpty()) {
        return {true, {}};
    }
    const qsizetype differing = firstLayout == secondLayout
                                    ? session::differences(a, b).size()
                                    : std::max(a.members().size(), b.members().size());
    return {false, QStringLiteral("replies differ (%1 values)").arg(differing)};
}

SiteUpload::SiteUpload(const QString& port, const LinkSetup& link, QObject* parent)
    : QObject(parent), m_channel(link.dataDir, link.lines), m_retry(link.retry)
{
    m_portError = m_channel.setPort(port);
    m_pause.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, &SiteUpload::read);
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
        QMetaObject::invokeMethod(this, &SiteUpload::finish, Qt::QueuedConnection);
        return;
    }
    read();
}

void SiteUpload::read()
{
    m_channel.upload(std::nullopt, lnk::kNightUploadWait, session::ReplyLength::Exact);
}

void SiteUpload::onFinished(const session::ChannelResult& result)
{
    const lnk::ExchangeResult& r = result.exchange;
    ++m_result.tries;
    if (!r.ok() && r.fault == lnk::LineFault::PortBusy && m_result.tries <= m_retry.retries) {
        m_pause.start(m_retry.pause);
        return;
    }
    m_result.at = QDateTime::currentDateTimeUtc();
    m_result.ok = r.ok() && result.reply.has_value();
    m_result.portBusy = !r.ok() && r.fault == lnk::LineFault::PortBusy;
    if (!m_result.ok) {
        m_result.error = session::failureText(r);
        finish();
        return;
    }
    ++m_result.reads;
    m_result.error.clear();
    m_result.layout = *r.layout;
    m_result.values = result.reply->over(initialValues());
    const std::optional<Values> expected =
        m_expected ? m_expected(m_result.layout) : std::optional<Values>();
    if (!m_first) {
        const bool asExpected =
            expected &&
            session::differences(session::CarriedValues::ofLayout(m_result.layout, *expected),
                                 m_result.carried())
                .isEmpty();
        if (asExpected) {
            finish();
            return;
        }
        // Anything that would be recorded as new is read once more: a reply has no checksum.
        m_first = m_result;
        read();
        return;
    }
    const Confirmation c =
        confirm(m_first->layout, m_first->values, m_result.layout, m_result.values, expected);
    if (!c.ok) {
        m_result.ok = false;
        m_result.error = c.error;
    }
    finish();
}

void SiteUpload::finish()
{
    Q_EMIT finished(m_result);
}

} // namespace fleet
