#include "fleet/PanelRecorder.h"

#include "session/PortText.h"

namespace fleet {

std::optional<NewVersion> versionOfExchange(const lnk::ExchangeResult& result)
{
    if (!result.ok()) {
        return std::nullopt;
    }
    NewVersion v;
    v.source = Source::Panel;
    if (result.kind == lnk::ExchangeKind::SendDay || result.kind == lnk::ExchangeKind::SendNight) {
        v.layout =
            result.kind == lnk::ExchangeKind::SendDay ? lnk::Layout::Day : lnk::Layout::Night;
        model::ParameterSet set;
        if (!lnk::decodeFrame(v.layout, result.sent, set)) {
            return std::nullopt;
        }
        v.values = session::CarriedValues::ofLayout(v.layout, set.values()).over(initialValues());
        return v;
    }
    if (result.layout) {
        v.layout = *result.layout;
        v.values = session::CarriedValues::ofReply(v.layout, result.reply()).over(initialValues());
        return v;
    }
    return std::nullopt;
}

PanelRecorder::PanelRecorder(StoreWorker& store, QString by, QObject* parent)
    : QObject(parent), m_store(store), m_by(std::move(by))
{}

void PanelRecorder::exchangeFinished(const lnk::PortRef& port, const lnk::ExchangeResult& result)
{
    std::optional<NewVersion> version = versionOfExchange(result);
    if (!version) {
        return;
    }
    version->by = m_by;
    Attempt attempt;
    attempt.at = QDateTime::currentDateTimeUtc();
    attempt.taken = *version;
    attempt.onlyWhenChanged = false;
    const QString portText = session::portText(port);
    struct Outcome
    {
        std::optional<StoreError> error;
        QString site;
        int version = 0;
    };
    m_store.call<Outcome>(
        this,
        [portText, attempt](Store& s) {
            Outcome o;
            const StoreResult<std::optional<Site>> site = s.siteOnPort(portText);
            if (!site.ok()) {
                // A panel without a fleet is no failure.
                if (site.error->kind != StoreErrorKind::Missing) {
                    o.error = site.error;
                }
                return o;
            }
            if (!site.value) {
                return o;
            }
            o.site = site.value->name;
            const StoreResult<Recorded> r = s.record(o.site, attempt);
            o.error = r.error;
            o.version = r.value.version;
            return o;
        },
        [this](const Outcome& o) {
            if (o.error) {
                if (!m_failureReported) {
                    m_failureReported = true;
                    Q_EMIT storeFailed(o.error->message);
                }
            } else if (o.version > 0) {
                Q_EMIT recorded(o.site, o.version);
            }
        });
}

} // namespace fleet
