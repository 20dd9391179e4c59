#include "fleet/Check.h"

#include <cmath>

namespace fleet {
namespace {

QString stateWord(CheckState s)
{
    switch (s) {
    case CheckState::Ok:
        return QStringLiteral("OK");
    case CheckState::Warning:
        return QStringLiteral("WARNING");
    case CheckState::Critical:
        return QStringLiteral("CRITICAL");
    case CheckState::Unknown:
        break;
    }
    return QStringLiteral("UNKNOWN");
}

QString counted(const QStringList& names, const QString& what)
{
    QString text = QStringLiteral("%1 %2").arg(names.size()).arg(what);
    if (!names.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(names.join(QStringLiteral(", ")));
    }
    return text;
}

} // namespace

QString checkOptionsProblem(const CheckOptions& options)
{
    if (!(options.warningHours > 0) || !(options.criticalHours > 0)) {
        return QStringLiteral("the ages must be more than 0 hours");
    }
    if (options.criticalHours < options.warningHours) {
        return QStringLiteral("the critical age is below the warning age");
    }
    return {};
}

CheckResult unknownCheck(const QString& why)
{
    return {CheckState::Unknown, QStringLiteral("ORVEXDAB UNKNOWN - %1").arg(why)};
}

CheckResult checkSites(const QList<Site>& sites, const CheckOptions& options)
{
    if (const QString problem = checkOptionsProblem(options); !problem.isEmpty()) {
        return unknownCheck(problem);
    }
    if (sites.isEmpty()) {
        return unknownCheck(QStringLiteral("no sites in the store"));
    }
    const qint64 warnAge = std::llround(options.warningHours * 3600);
    const qint64 critAge = std::llround(options.criticalHours * 3600);
    QStringList critical;
    QStringList stale;
    QStringList failed;
    QStringList drifted;
    qint64 oldest = 0;
    bool never = false;
    for (const Site& s : sites) {
        std::optional<qint64> age;
        if (s.status.lastSuccess) {
            age = std::max<qint64>(0, s.status.lastSuccess->secsTo(options.now));
            oldest = std::max(oldest, *age);
        } else {
            never = true;
        }
        if (!age || *age > critAge) {
            critical << s.name;
        } else if (*age > warnAge) {
            stale << s.name;
        }
        if (s.status.failures > 0) {
            failed << s.name;
        }
        if (s.status.drift.value_or(0) > 0) {
            drifted << s.name;
        }
    }
    CheckState state = CheckState::Ok;
    if (!critical.isEmpty()) {
        state = CheckState::Critical;
    } else if (!stale.isEmpty() || !failed.isEmpty() || !drifted.isEmpty()) {
        state = CheckState::Warning;
    }
    const QString warnText = QString::number(options.warningHours);
    QStringList parts{sites.size() == 1 ? QStringLiteral("1 site")
                                        : QStringLiteral("%1 sites").arg(sites.size())};
    if (critical.isEmpty() && stale.isEmpty()) {
        parts << QStringLiteral("all backed up within %1 h").arg(warnText);
    }
    if (!critical.isEmpty()) {
        parts << counted(critical, QStringLiteral("not backed up within %1 h")
                                       .arg(QString::number(options.criticalHours)));
    }
    if (!stale.isEmpty()) {
        parts << counted(stale, QStringLiteral("not backed up within %1 h").arg(warnText));
    }
    parts << counted(failed, QStringLiteral("failed"));
    parts << counted(drifted, QStringLiteral("drifted"));
    const QString perf = QStringLiteral("sites=%1;;;0 failed=%2;;;0 drifted=%3;;;0 "
                                        "oldest_backup=%4;%5;%6;0")
                             .arg(sites.size())
                             .arg(failed.size())
                             .arg(drifted.size())
                             .arg(never ? QStringLiteral("U") : QStringLiteral("%1s").arg(oldest))
                             .arg(warnAge)
                             .arg(critAge);
    return {state, QStringLiteral("ORVEXDAB %1 - %2 | %3")
                       .arg(stateWord(state), parts.join(QStringLiteral(", ")), perf)};
}

CheckResult check(Store& store, const CheckOptions& options)
{
    if (const QString problem = checkOptionsProblem(options); !problem.isEmpty()) {
        return unknownCheck(problem);
    }
    const StoreResult<QList<Site>> sites = store.sites();
    if (!sites.ok()) {
        return unknownCheck(sites.error->message);
    }
    return checkSites(sites.value, options);
}

} // namespace fleet
