#include "fleet/Compare.h"
#include "fleet/ConfirmedRead.h"

#include "link/Printable.h"

#include <QRegularExpression>

namespace fleet {
namespace {

StoreError noVersion(const QString& why)
{
    return {StoreErrorKind::UnknownVersion, why};
}

} // namespace

std::optional<DiffSideChoice> parseDiffSide(const QString& text)
{
    if (text == QLatin1String("reference")) {
        return DiffSideChoice{DiffSideChoice::Kind::Reference, 0};
    }
    if (text == QLatin1String("live")) {
        return DiffSideChoice{DiffSideChoice::Kind::Live, 0};
    }
    static const QRegularExpression number(QStringLiteral("^[1-9][0-9]{0,8}$"));
    if (number.match(text).hasMatch()) {
        return DiffSideChoice{DiffSideChoice::Kind::Version, text.toInt()};
    }
    return std::nullopt;
}

QString DiffSide::label() const
{
    switch (choice.kind) {
    case DiffSideChoice::Kind::Version:
        return QStringLiteral("version %1").arg(version);
    case DiffSideChoice::Kind::Reference:
        return origin.isEmpty() ? QStringLiteral("reference (version %1)").arg(version)
                                : QStringLiteral("reference (from %1)").arg(origin);
    case DiffSideChoice::Kind::Live:
        break;
    }
    return QStringLiteral("live");
}

DiffRun::DiffRun(QString site, std::optional<DiffSideChoice> a, std::optional<DiffSideChoice> b,
                 LinkSetup link, StoreWorker& store, QObject* parent)
    : QObject(parent), m_site(std::move(site)), m_a(a), m_b(b), m_link(std::move(link)),
      m_store(store)
{
    m_result.site = m_site;
}

void DiffRun::start()
{
    const QString name = m_site;
    const auto isLive = [](const std::optional<DiffSideChoice>& s) {
        return s && s->kind == DiffSideChoice::Kind::Live;
    };
    const bool live = isLive(m_a) || isLive(m_b);
    m_store.call<Stored>(
        this,
        [name, live](Store& s) {
            Stored st;
            const StoreResult<Site> site = s.site(name);
            if ((st.error = site.error)) {
                return st;
            }
            if (live && site.value.removed) {
                st.error = siteRemoved(site.value.name);
                return st;
            }
            st.site = site.value;
            const StoreResult<QList<Version>> versions = s.versions(name);
            if ((st.error = versions.error)) {
                return st;
            }
            st.versions = versions.value;
            const StoreResult<QList<Version>> references = s.references(name);
            st.error = references.error;
            st.references = references.value;
            return st;
        },
        [this](const Stored& st) { onStored(st); });
}

void DiffRun::onStored(const Stored& stored)
{
    m_stored = stored;
    m_result.site = stored.site.name.isEmpty() ? m_site : stored.site.name;
    if ((m_result.error = stored.error)) {
        finish();
        return;
    }
    const auto isLive = [](const std::optional<DiffSideChoice>& s) {
        return s && s->kind == DiffSideChoice::Kind::Live;
    };
    if (!isLive(m_a) && !isLive(m_b)) {
        resolve();
        return;
    }
    if ((m_result.error = notLocal(stored.site, m_link.place()))) {
        finish();
        return;
    }
    // The latest version of each layout: a live reply equal to it is read once.
    std::optional<Version> day;
    std::optional<Version> night;
    for (const Version& v : stored.versions) {
        (v.layout == lnk::Layout::Day ? day : night) = v;
    }
    auto* read = new ConfirmedRead(stored.site.port, m_link, ExpectedValues::ofVersions(day, night),
                                   std::nullopt, this);
    connect(read, &ConfirmedRead::finished, this, [this, read](const LiveValues& live) {
        read->deleteLater();
        onLive(live);
    });
    read->start();
}

void DiffRun::onLive(const LiveValues& live)
{
    m_live = live;
    if (!live.ok) {
        m_result.liveError = live.error;
        finish();
        return;
    }
    resolve();
}

void DiffRun::resolve()
{
    const QList<Version>& versions = m_stored.versions;
    const QString site = m_result.site;
    const auto find = [&](int number) -> const Version* {
        for (const Version& v : versions) {
            if (v.number == number) {
                return &v;
            }
        }
        return nullptr;
    };
    if (!m_b) {
        if (versions.isEmpty()) {
            m_result.error = noVersion(QStringLiteral("site \"%1\" has no version yet").arg(site));
            finish();
            return;
        }
        m_b = DiffSideChoice{DiffSideChoice::Kind::Version, versions.last().number};
        if (!m_a) {
            const lnk::Layout layout = versions.last().layout;
            for (qsizetype i = versions.size() - 2; i >= 0 && !m_a; --i) {
                if (versions[i].layout == layout) {
                    m_a = DiffSideChoice{DiffSideChoice::Kind::Version, versions[i].number};
                }
            }
            if (!m_a) {
                m_result.error = noVersion(
                    QStringLiteral("site \"%1\" has no version of the %2 layout before version %3")
                        .arg(site, layoutName(layout))
                        .arg(versions.last().number));
                finish();
                return;
            }
        }
    }
    const auto fill = [&](const DiffSideChoice& choice, DiffSide& side) -> bool {
        side.choice = choice;
        if (choice.kind == DiffSideChoice::Kind::Live) {
            side.layout = m_live->layout;
            side.values = m_live->values;
        } else if (choice.kind == DiffSideChoice::Kind::Version) {
            const Version* v = find(choice.number);
            if (v == nullptr) {
                m_result.error = StoreError{
                    StoreErrorKind::UnknownVersion,
                    QStringLiteral("site \"%1\" has no version %2").arg(site).arg(choice.number)};
                return false;
            }
            side.version = v->number;
            side.layout = v->layout;
            side.values = v->values;
        }
        return true;
    };
    if (!fill(*m_a, m_result.a) || !fill(*m_b, m_result.b)) {
        finish();
        return;
    }
    for (auto [choice, side, other] :
         {std::tuple{*m_a, &m_result.a, &m_result.b}, std::tuple{*m_b, &m_result.b, &m_result.a}}) {
        if (choice.kind != DiffSideChoice::Kind::Reference) {
            continue;
        }
        std::optional<lnk::Layout> layout;
        if (other->choice.kind != DiffSideChoice::Kind::Reference) {
            layout = other->layout;
        } else if (!versions.isEmpty()) {
            layout = versions.last().layout;
        }
        const Version* ref = nullptr;
        for (const Version& v : m_stored.references) {
            if (layout && v.layout == *layout) {
                ref = &v;
            }
        }
        if (ref == nullptr) {
            m_result.error = noVersion(
                QStringLiteral("site \"%1\" has no reference%2")
                    .arg(site, layout
                                   ? QStringLiteral(" for the %1 layout").arg(layoutName(*layout))
                                   : QString()));
            finish();
            return;
        }
        side->version = ref->number;
        side->origin = ref->origin;
        side->layout = ref->layout;
        side->values = ref->values;
    }
    m_result.differences = session::differences(m_result.a.carried(), m_result.b.carried());
    finish();
}

void DiffRun::finish()
{
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(m_result); }, Qt::QueuedConnection);
}

} // namespace fleet
