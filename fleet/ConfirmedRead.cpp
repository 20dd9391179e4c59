#include "fleet/ConfirmedRead.h"

namespace fleet {

ExpectedValues ExpectedValues::ofVersion(const std::optional<Version>& version)
{
    ExpectedValues e;
    if (version) {
        (version->layout == lnk::Layout::Day ? e.day : e.night) = version->values;
    }
    return e;
}

ExpectedValues ExpectedValues::ofVersions(const std::optional<Version>& day,
                                          const std::optional<Version>& night)
{
    ExpectedValues e;
    if (day) {
        e.day = day->values;
    }
    if (night) {
        e.night = night->values;
    }
    return e;
}

QString repliesDifferText(int values)
{
    return values == 1 ? QStringLiteral("replies differ (1 value)")
                       : QStringLiteral("replies differ (%1 values)").arg(values);
}

int replyDifferences(const LiveValues& a, const LiveValues& b)
{
    if (a.layout != b.layout) {
        return int(std::max(a.carried().members().size(), b.carried().members().size()));
    }
    return int(session::differences(a.carried(), b.carried()).size());
}

ConfirmedRead::ConfirmedRead(QString port, LinkSetup link, ExpectedValues expected,
                             std::optional<LiveValues> first, QObject* parent)
    : QObject(parent), m_port(std::move(port)), m_link(std::move(link)),
      m_expected(std::move(expected)), m_first(std::move(first))
{
    if (m_first) {
        m_first->confirmationDue = false;
        m_reads = 1;
    }
}

void ConfirmedRead::start()
{
    read();
}

void ConfirmedRead::read()
{
    ++m_reads;
    if (m_upload) {
        m_upload->deleteLater();
    }
    m_upload = new SiteUpload(m_port, m_link, this);
    connect(m_upload, &SiteUpload::finished, this, &ConfirmedRead::onRead);
    m_upload->start();
}

bool ConfirmedRead::expected(const LiveValues& live) const
{
    const std::optional<Values>& e = m_expected.of(live.layout);
    return e &&
           session::differences(session::CarriedValues::ofLayout(live.layout, *e), live.carried())
               .isEmpty();
}

void ConfirmedRead::onRead(const LiveValues& live)
{
    if (!live.ok || expected(live)) {
        Q_EMIT finished(live);
        return;
    }
    if (!m_first) {
        if (m_handBack) {
            LiveValues due = live;
            due.confirmationDue = true;
            Q_EMIT finished(due);
            return;
        }
        m_first = live;
        read();
        return;
    }
    if (const int k = replyDifferences(*m_first, live); k > 0) {
        LiveValues failed = live;
        failed.ok = false;
        failed.error = repliesDifferText(k);
        Q_EMIT finished(failed);
        return;
    }
    Q_EMIT finished(live);
}

void addConfirmedRead(JobPool& pool, const QString& port, const LinkSetup& link,
                      const ExpectedValues& expected, std::function<void(const LiveValues&)> done)
{
    pool.add<ConfirmedRead, LiveValues>(
        [port, link, expected](QObject* holder) {
            auto* read = new ConfirmedRead(port, link, expected, std::nullopt, holder);
            read->handBackBeforeSecondRead();
            return read;
        },
        &ConfirmedRead::finished,
        [&pool, port, link, expected, done](const LiveValues& first) {
            if (!first.confirmationDue) {
                done(first);
                return;
            }
            pool.add<ConfirmedRead, LiveValues>(
                [port, link, expected, first](QObject* holder) {
                    return new ConfirmedRead(port, link, expected, first, holder);
                },
                &ConfirmedRead::finished, done, first.nextFrameAt);
        });
}

} // namespace fleet
