#include "fleet/SiteUpload.h"

#include "session/PortText.h"

namespace fleet {

session::SessionEnvironment sessionEnvironment(const LinkSetup& link)
{
    session::SessionEnvironment env;
    env.dataDir = link.dataDir;
    env.lines = link.lines;
    return env;
}

QString setSessionPort(session::PanelSession& session, const QString& port)
{
    const session::PortParse parsed = session::parsePort(port);
    if (!parsed.error.isEmpty()) {
        return parsed.error;
    }
    if (parsed.port.isNumber()) {
        session.setPortNo(parsed.port.number);
    } else {
        session.setPortAddress(parsed.port.address);
    }
    return {};
}

SiteUpload::SiteUpload(const QString& port, const LinkSetup& link, QObject* parent)
    : QObject(parent), m_session(sessionEnvironment(link))
{
    m_portError = setSessionPort(m_session, port);
    connect(&m_session, &session::PanelSession::exchangeFinished, this, &SiteUpload::onFinished);
}

void SiteUpload::start()
{
    if (!m_portError.isEmpty()) {
        m_result.error = m_portError;
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT finished(m_result); }, Qt::QueuedConnection);
        return;
    }
    m_session.upload(session::ReplyUse::ReportOnly);
}

void SiteUpload::onFinished(const lnk::ExchangeResult& result)
{
    ++m_result.tries;
    m_result.portBusy = !result.ok() && result.fault == lnk::LineFault::PortBusy;
    m_result.at = QDateTime::currentDateTimeUtc();
    m_result.ok = result.ok() && result.layout.has_value();
    if (!m_result.ok) {
        m_result.error = session::failureText(result);
    } else {
        m_result.layout = *result.layout;
        m_result.values =
            session::CarriedValues::ofReply(*result.layout, result.reply()).over(initialValues());
    }
    Q_EMIT finished(m_result);
}

} // namespace fleet
