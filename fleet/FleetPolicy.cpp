#include "fleet/FleetPolicy.h"

#include "fleet/StoreLocation.h"
#include "link/Printable.h"
#include "storage/SmallFile.h"

#include <QDir>

namespace fleet {
namespace {

// Whole seconds from 1 to limit; nothing when the text is not one.
std::optional<int> wholeNumber(const QString& text, int limit)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 1 && n <= limit ? std::optional<int>(n) : std::nullopt;
}

struct Setting
{
    QString key; // lower case
    QString value;
};

// The [fleet] lines as written: a hook's command keeps its quotes and backslashes for the shell
// (the settings classes' INI reading would take them as its own), as the store's address does.
QList<Setting> fleetSection(const QByteArray& ini)
{
    QList<Setting> settings;
    bool inFleet = false;
    for (QString line : QString::fromUtf8(ini).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inFleet = line.mid(1, line.size() - 2).trimmed().toLower() == QLatin1String("fleet");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inFleet && eq > 0) {
            settings.append({line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed()});
        }
    }
    return settings;
}

} // namespace

PolicyParse parseFleetPolicy(const QByteArray& ini, const QString& dataDir, const QString& fileName)
{
    PolicyParse r;
    const auto refuse = [&](const QString& key, const QString& value, const char* rule) {
        r.error = QStringLiteral("%1: [fleet] %2=%3 is not %4")
                      .arg(fileName, key, lnk::printable(value), QLatin1String(rule));
    };
    for (const Setting& e : fleetSection(ini)) {
        const QString& key = e.key;
        if (key == QLatin1String("on_change")) {
            r.policy.onChange = e.value.trimmed();
        } else if (key == QLatin1String("metrics")) {
            const QString path = e.value.trimmed();
            r.policy.metrics = path.isEmpty() ? QString() : QDir(dataDir).absoluteFilePath(path);
        } else if (key == QLatin1String("parallel")) {
            const auto n = wholeNumber(e.value, 4096);
            if (!n) {
                refuse(key, e.value, "a number of sites from 1 to 4096");
                return r;
            }
            r.policy.pool.parallel = *n;
        } else if (key == QLatin1String("deadline") || key == QLatin1String("hooks_deadline")) {
            const auto n = wholeNumber(e.value, 24 * 3600);
            if (!n) {
                refuse(key, e.value, "a number of seconds from 1 to 86400");
                return r;
            }
            (key == QLatin1String("deadline") ? r.policy.pool.deadline : r.policy.hooksDeadline) =
                std::chrono::seconds(*n);
        } else {
            r.error = QStringLiteral("%1: [fleet] has no setting %2 (on_change, metrics, "
                                     "parallel, deadline, hooks_deadline)")
                          .arg(fileName, lnk::printable(key));
            return r;
        }
    }
    return r;
}

PolicyParse fleetPolicy(const QString& dataDir)
{
    const QString ini = QDir(dataDir).filePath(QLatin1String(kFleetIniName));
    const storage::FileResult<QByteArray> content = storage::readSmallFile(ini);
    if (!content.ok()) {
        PolicyParse r;
        if (content.error->kind != storage::FileErrorKind::FileNotFound) {
            r.error = QStringLiteral("%1: %2").arg(ini, content.error->description());
        }
        return r;
    }
    return parseFleetPolicy(content.value, dataDir, ini);
}

} // namespace fleet
