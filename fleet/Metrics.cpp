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

QString metricsText(const QList<Site>& sites, std::optional<double> runSeconds)
{
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
           [](const Site& s) -> std::optional<QString> {
               return QString::number(s.status.lastAttempt && s.status.failures == 0 ? 1 : 0);
           });
    metric("orvexdab_site_last_success_timestamp_seconds",
           "When a backup of the site last succeeded, in seconds since 1970.",
           [](const Site& s) -> std::optional<QString> {
               if (!s.status.lastSuccess) {
                   return std::nullopt;
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
    if (runSeconds) {
        text += QStringLiteral("# HELP orvexdab_backup_duration_seconds How long the last backup "
                               "run took.\n# TYPE orvexdab_backup_duration_seconds gauge\n"
                               "orvexdab_backup_duration_seconds %1\n")
                    .arg(QString::number(*runSeconds, 'f', 3));
    }
    return text;
}

} // namespace fleet
