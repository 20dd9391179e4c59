#include "fleet/Spool.h"

#include "fleet/ValuesText.h"
#include "storage/AtomicWrite.h"
#include "storage/SmallFile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace fleet {
namespace {

// An entry's error is cut to this many characters: the spool stays small.
constexpr int kLongestEntry = 600;

QString spoolPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QLatin1String(kSpoolName));
}

} // namespace

QList<SpooledAttempt> readSpool(const QString& dataDir)
{
    QList<SpooledAttempt> entries;
    const storage::FileResult<QByteArray> content =
        storage::readSmallFile(spoolPath(dataDir), kSpoolLimit * kLongestEntry * 2);
    if (!content.ok()) {
        return entries;
    }
    for (const QByteArray& line : content.value.split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString site = o.value(QStringLiteral("site")).toString();
        const qint64 at = qint64(o.value(QStringLiteral("at")).toDouble(-1));
        if (site.isEmpty() || at < 0) {
            continue;
        }
        SpooledAttempt e{site, QDateTime::fromMSecsSinceEpoch(at, Qt::UTC),
                         o.value(QStringLiteral("error")).toString(), std::nullopt};
        if (o.contains(QStringLiteral("vals"))) {
            const auto layout = layoutByName(o.value(QStringLiteral("layout")).toString());
            const auto source = sourceByName(o.value(QStringLiteral("source")).toString());
            const auto values =
                layout ? decodeValues(*layout, o.value(QStringLiteral("vals")).toString())
                       : std::nullopt;
            if (!values || !source) {
                continue;
            }
            e.taken =
                NewVersion{*layout, *values, *source, o.value(QStringLiteral("by")).toString(),
                           o.value(QStringLiteral("note")).toString()};
        }
        entries.append(e);
    }
    return entries;
}

std::optional<QString> writeSpool(const QString& dataDir, QList<SpooledAttempt> entries)
{
    const QString path = spoolPath(dataDir);
    if (entries.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            return QStringLiteral("%1: could not be removed").arg(path);
        }
        return std::nullopt;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SpooledAttempt& a, const SpooledAttempt& b) { return a.at < b.at; });
    if (entries.size() > kSpoolLimit) {
        entries = entries.mid(entries.size() - kSpoolLimit);
    }
    QByteArray text;
    for (const SpooledAttempt& e : entries) {
        QJsonObject o{{QStringLiteral("site"), e.site},
                      {QStringLiteral("at"), double(e.at.toMSecsSinceEpoch())},
                      {QStringLiteral("error"), e.error.left(kLongestEntry)}};
        if (e.taken) {
            o.insert(QStringLiteral("layout"), layoutName(e.taken->layout));
            o.insert(QStringLiteral("vals"), encodeValues(e.taken->layout, e.taken->values));
            o.insert(QStringLiteral("source"), sourceName(e.taken->source));
            o.insert(QStringLiteral("by"), e.taken->by);
            o.insert(QStringLiteral("note"), e.taken->note);
        }
        text += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    if (const auto e = storage::writeFileAtomically(path, text)) {
        return QStringLiteral("%1: %2").arg(path, e->description());
    }
    return std::nullopt;
}

std::optional<QString> addToSpool(const QString& dataDir, const QList<SpooledAttempt>& entries)
{
    return writeSpool(dataDir, readSpool(dataDir) + entries);
}

SpooledRecording recordThroughSpool(Store& store, const QString& dataDir,
                                    const QList<std::pair<QString, Attempt>>& attempts, bool drain)
{
    SpooledRecording r;
    QList<SpooledAttempt> kept = dataDir.isEmpty() ? QList<SpooledAttempt>() : readSpool(dataDir);
    const qsizetype before = kept.size();
    if (drain && !kept.isEmpty()) {
        QList<std::pair<QString, Attempt>> late;
        for (const SpooledAttempt& e : kept) {
            Attempt a;
            a.at = e.at;
            a.error = e.error;
            a.taken = e.taken;
            a.late = true;
            late.append({e.site, a});
        }
        const QList<StoreResult<Recorded>> done = store.recordAll(late);
        QList<SpooledAttempt> still;
        for (qsizetype i = 0; i < done.size(); ++i) {
            // Kept (or refused for good: a site removed since) leaves the spool.
            if (!done[i].ok() && !done[i].error->isUsage()) {
                still.append(kept[i]);
            }
        }
        kept = still;
    }
    r.results = store.recordAll(attempts);
    for (qsizetype i = 0; i < attempts.size(); ++i) {
        const std::optional<StoreError>& e = r.results[i].error;
        const bool spool = e && !e->isUsage() && !dataDir.isEmpty();
        r.spooled.append(spool);
        if (spool) {
            const Attempt& a = attempts[i].second;
            kept.append({attempts[i].first, a.at,
                         a.taken ? QStringLiteral("not stored: %1").arg(e->message) : a.error,
                         std::nullopt});
        }
    }
    if (!dataDir.isEmpty() && (kept.size() != before || r.spooled.contains(true))) {
        r.spoolError = writeSpool(dataDir, kept);
        if (r.spoolError) {
            r.spooled.fill(false);
        }
    }
    return r;
}

} // namespace fleet
