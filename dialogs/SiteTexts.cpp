#include "dialogs/SiteTexts.h"

namespace sitetexts {

namespace {

QString text(std::string_view v)
{
    QString s = QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
    // Menu captions carry their access key marks.
    return s.remove(QLatin1Char('&'));
}

} // namespace

QString ageText(const QDateTime& then, const QDateTime& now)
{
    const qint64 seconds = std::max<qint64>(0, then.secsTo(now));
    if (seconds < 60) {
        return QStringLiteral("just now");
    }
    if (seconds < 3600) {
        return QStringLiteral("%1 min ago").arg(seconds / 60);
    }
    if (seconds < 48 * 3600) {
        return QStringLiteral("%1 h ago").arg(seconds / 3600);
    }
    return QStringLiteral("%1 d ago").arg(seconds / 86400);
}

QString whenText(const std::optional<QDateTime>& utc, const QDateTime& now)
{
    if (!utc) {
        return {};
    }
    return QStringLiteral("%1 (%2)").arg(
        utc->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), ageText(*utc, now));
}

bool failed(const fleet::Site& site)
{
    return site.status.failures > 0;
}

bool drifted(const fleet::Site& site)
{
    return site.status.drift.value_or(0) > 0;
}

QString stateText(const fleet::Site& site, bool running)
{
    if (running) {
        return QStringLiteral("backing up...");
    }
    const fleet::SiteState state = fleet::siteState(site.status);
    if (state == fleet::SiteState::Failed) {
        return fleet::stateWord(state) + QStringLiteral(": ") + site.status.lastError;
    }
    return fleet::stateWord(state);
}

QString driftText(const std::optional<int>& drift)
{
    if (!drift) {
        return QStringLiteral("no reference");
    }
    if (*drift == 0) {
        return QStringLiteral("none");
    }
    return session::differencesWord(*drift);
}

QString differencesText(int n)
{
    return n == 0 ? QStringLiteral("No differences") : driftText(n);
}

QString versionTitle(int number)
{
    return QStringLiteral("Version %1").arg(number);
}

QString parameterText(model::Member m)
{
    const model::MemberInfo& i = model::info(m);
    return QStringLiteral("%1 (%2)").arg(text(i.meaning), text(i.group));
}

QString rowText(const fleet::Site& site, bool running, const QDateTime& now)
{
    const QString last =
        site.status.lastSuccess ? ageText(*site.status.lastSuccess, now) : QStringLiteral("never");
    return QStringLiteral("%1, %2, last backup %3, drift %4")
        .arg(site.name, stateText(site, running), last, driftText(site.status.drift));
}

QString unreachableText(const QString& message)
{
    return QStringLiteral("store unreachable: ") + message;
}

QString noAnswerText(const QString& address)
{
    return unreachableText(QStringLiteral("no answer from %1").arg(address));
}

} // namespace sitetexts
