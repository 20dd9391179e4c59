#include "fleet/Restore.h"

#include "fleet/ConfirmedRead.h"

#include "session/PortText.h"

namespace fleet {

QString RestoreResult::notVerifiedText() const
{
    if (verification != Verification::OtherBlock) {
        return {};
    }
    return QStringLiteral("sent, not verified: the processor answers with its %1 block")
        .arg(layoutName(layout == lnk::Layout::Day ? lnk::Layout::Night : lnk::Layout::Day));
}

RestoreRun::RestoreRun(RestoreRequest request, StoreWorker& store, QObject* parent)
    : QObject(parent), m_request(std::move(request)), m_store(store)
{
    m_result.site = m_request.site;
    m_result.version = m_request.version;
}

RestoreRun::~RestoreRun() = default;

void RestoreRun::start()
{
    const QString name = m_request.site;
    const int number = m_request.version;
    m_store.call<Stored>(
        this,
        [name, number](Store& s) {
            Stored st;
            const StoreResult<Site> site = s.site(name);
            if ((st.error = site.error)) {
                return st;
            }
            if (site.value.removed) {
                st.error = siteRemoved(site.value.name);
                return st;
            }
            st.site = site.value;
            const StoreResult<Version> v = s.version(name, number);
            if ((st.error = v.error)) {
                return st;
            }
            st.version = v.value;
            const auto other = s.latest(
                name, v.value.layout == lnk::Layout::Day ? lnk::Layout::Night : lnk::Layout::Day);
            st.error = other.error;
            st.other = other.value;
            return st;
        },
        [this](const Stored& st) { onStored(st); });
}

void RestoreRun::onStored(const Stored& stored)
{
    m_stored = stored;
    if ((m_result.error = stored.error) ||
        (m_result.error = notLocal(stored.site, m_request.link.place()))) {
        finish();
        return;
    }
    m_result.site = stored.site.name;
    m_result.layout = stored.version.layout;
    m_channel =
        std::make_unique<session::ProcessorChannel>(m_request.link.dataDir, m_request.link.lines);
    if (const QString e = m_channel->setPort(stored.site.port); !e.isEmpty()) {
        m_result.sendError = e;
        finish();
        return;
    }
    connect(m_channel.get(), &session::ProcessorChannel::finished, this, &RestoreRun::onExchange);
    // The frame may carry a member the reply does not (the night frame's day/night switch): it
    // keeps what the site's other layout last held.
    const Values base = stored.other ? stored.other->values : initialValues();
    const Values frame = stored.version.carried().over(base);
    if (!model::ParameterSet().restore(frame)) {
        m_result.sendError =
            QStringLiteral("version %1 holds values out of range").arg(stored.version.number);
        finish();
        return;
    }
    m_step = Step::Send;
    m_channel->send(stored.version.layout, frame);
}

void RestoreRun::onExchange(const session::ChannelResult& result)
{
    switch (m_step) {
    case Step::Send: {
        if (!result.ok()) {
            m_result.sendError = session::failureText(result.exchange);
            finish();
            return;
        }
        m_step = Step::ReadBack;
        // The read-back is a record's read: exact length, and a second read whenever it does
        // not show the version sent. Its own channel waits for this one's frame gap through the
        // port's turns.
        auto* readBack =
            new ConfirmedRead(m_stored.site.port, m_request.link,
                              ExpectedValues::ofVersion(m_stored.version), std::nullopt, this);
        connect(readBack, &ConfirmedRead::finished, this, [this, readBack](const LiveValues& back) {
            readBack->deleteLater();
            onReadBack(back);
        });
        readBack->start();
        return;
    }
    case Step::ReadBack:
        return;
    case Step::Save:
        m_result.saveSent = result.ok();
        if (!result.ok()) {
            m_result.saveError = session::failureText(result.exchange);
        }
        finish();
        return;
    }
}

void RestoreRun::onReadBack(const LiveValues& back)
{
    if (!back.ok) {
        m_result.readBackError = back.error;
        finish();
        return;
    }
    const lnk::Layout layout = back.layout;
    if (layout != m_stored.version.layout) {
        m_result.verification = RestoreResult::Verification::OtherBlock;
    } else {
        m_result.differences = session::differences(m_stored.version.carried(), back.carried());
        m_result.verification = m_result.differences.isEmpty()
                                    ? RestoreResult::Verification::Verified
                                    : RestoreResult::Verification::Differs;
    }
    Attempt attempt;
    attempt.at = back.at;
    attempt.taken = NewVersion{layout, back.values, Source::Restore, m_request.by,
                               QStringLiteral("restored from version %1").arg(m_request.version)};
    attempt.onlyWhenChanged = false;
    const QString site = m_result.site;
    m_store.call<StoreResult<Recorded>>(
        this, [site, attempt](Store& s) { return s.record(site, attempt); },
        [this](const StoreResult<Recorded>& r) { onRecorded(r); });
}

void RestoreRun::onRecorded(const StoreResult<Recorded>& recorded)
{
    if (!recorded.ok()) {
        m_result.recordError = recorded.error->message;
    } else {
        m_result.readBackVersion = recorded.value.version;
    }
    // Saving keeps what the processor holds now: done when it holds the version, or when it
    // could not say because it runs its other block; never over values that were refused.
    const bool save =
        m_request.save && (m_result.verification == RestoreResult::Verification::Verified ||
                           m_result.verification == RestoreResult::Verification::OtherBlock);
    if (!save) {
        finish();
        return;
    }
    m_step = Step::Save;
    m_channel->command(m_stored.version.layout == lnk::Layout::Day ? lnk::Command::Saveday
                                                                   : lnk::Command::Savenight);
}

void RestoreRun::finish()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(m_result); }, Qt::QueuedConnection);
}

} // namespace fleet
