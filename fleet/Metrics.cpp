#include "fleet/Metrics.h"

#include <functional>

namespace fleet {
namespace {

QString seconds(const QDateTime& t)
{
    return QString::number(t.toMSecsSinceEpoch() / 1000.0, 'f', 3);
}

} // namespace

QString escapeLabel(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\')) {
            out += QLatin1String("\\\\");
        } else if (c == QLatin1Char('"')) {
            out += QLatin1String("\\\"");
        } else if (c == QLatin1Char('\n')) {
            out += QLatin1String("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

QString metricsText(const QList<Site>& sites, const std::optional<RunFacts>& run)
{
    const auto notRecorded = [&run](const Site& s) {
        return run && run->notRecorded.contains(s.name);
    };
    QString text;
    const auto metric = [&](const char* name, const char* help,
                            const std::function<std::optional<QString>(const Site&)>& value) {
        text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n")
                    .arg(QLatin1String(name), QLatin1String(help));
        for (const Site& s : sites) {
            if (const std::optional<QString> v = value(s)) {
                text += QStringLiteral("%1{site=\"%2\"} %3\n")
                            .arg(QLatin1String(name), escapeLabel(s.name), *v);
            }
        }
    };
    metric("orvexdab_site_up", "1 when the last backup attempt of the site succeeded.",
           [&notRecorded](const Site& s) -> std::optional<QString> {
               return QString::number(
                   s.status.lastAttempt && s.status.failures == 0 && !notRecorded(s) ? 1 : 0);
           });
    metric("orvexdab_site_last_success_timestamp_seconds",
           "When a backup of the site last succeeded, in seconds since 1970.",
           [](const Site& s) -> std::optional<QString> {
               if (!s.status.lastSuccess) {
                   return QStringLiteral("0");
               }
               return seconds(*s.status.lastSuccess);
           });
    metric("orvexdab_site_last_change_timestamp_seconds",
           "When a new version of the site was last stored, in seconds since 1970.",
           [](const Site& s) -> std::optional<QString> {
               if (!s.status.lastChange) {
                   return std::nullopt;
               }
               return seconds(*s.status.lastChange);
           });
    metric("orvexdab_site_drift_parameters",
           "Parameters in which the site's latest version differs from its approved reference.",
           [](const Site& s) -> std::optional<QString> {
               if (!s.status.drift) {
                   return std::nullopt;
               }
               return QString::number(*s.status.drift);
           });
    if (run) {
        const auto single = [&text](const char* name, const char* help, const QString& value) {
            text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n%1 %3\n")
                        .arg(QLatin1String(name), QLatin1String(help), value);
        };
        single("orvexdab_backup_duration_seconds", "How long the last backup run took.",
               QString::number(run->seconds, 'f', 3));
        single("orvexdab_backup_last_run_timestamp_seconds",
               "When the last backup run ended, in seconds since 1970.", seconds(run->at));
        single("orvexdab_backup_last_run_recorded",
               "1 when the store kept every attempt of the last backup run.",
               run->notRecorded.isEmpty() ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return text;
}

} // namespace fleet
