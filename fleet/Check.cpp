#include "fleet/Check.h"

#include "link/Printable.h"
#include "storage/GroupShare.h"

#include <QFileInfo>

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

// Text from outside (a site's name, a driver's message) in the line: printable, and no '|',
// which would end the text part.
QString plain(const QString& text)
{
    return lnk::printable(text).replace(QLatin1Char('|'), QStringLiteral("\\x7C"));
}

// A SQLite store the user may not reach looks missing to the driver ("no fleet store yet"):
// say what is in the way instead.
std::optional<QString> accessProblem(const StoreLocation& l)
{
    if (l.kind != StoreKind::Sqlite) {
        return std::nullopt;
    }
    const QFileInfo file(l.path);
    const QFileInfo folder(file.absolutePath());
    if (folder.exists() && folder.isDir() && !folder.isExecutable()) {
        return QStringLiteral("%1: permission denied").arg(folder.filePath());
    }
    if (file.exists() && !file.isReadable()) {
        return QStringLiteral("%1: permission denied").arg(l.path);
    }
    return std::nullopt;
}

// A site's name as the line shows it: printable, no '|' (it would end the text part), cut.
QString shownName(const QString& name)
{
    QString text = plain(name);
    if (text.size() > kCheckNameLength) {
        text = text.left(kCheckNameLength - 1) + QChar(0x2026);
    }
    return text;
}

// "3 failed (a, b and 1 more)", naming as many as the line has room left for.
QString counted(const QStringList& names, const QString& what, int& room)
{
    QString text = QStringLiteral("%1 %2").arg(names.size()).arg(what);
    const qsizetype named = std::min<qsizetype>(names.size(), room);
    if (named == 0) {
        return text;
    }
    room -= int(named);
    QStringList shown;
    for (qsizetype i = 0; i < named; ++i) {
        shown << shownName(names[i]);
    }
    text += QStringLiteral(" (%1").arg(shown.join(QStringLiteral(", ")));
    if (names.size() > named) {
        text += QStringLiteral(" and %1 more").arg(names.size() - named);
    }
    return text + QLatin1Char(')');
}

// The most bytes a reason may take, so that even an UNKNOWN line stays short.
constexpr qsizetype kMostReasonBytes = 900;

QString oneShortLine(const QString& text)
{
    QStringList parts;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (const QString part = line.trimmed(); !part.isEmpty()) {
            parts << part;
        }
    }
    QString joined = plain(parts.join(QStringLiteral("; ")));
    if (joined.toUtf8().size() <= kMostReasonBytes) {
        return joined;
    }
    joined.truncate(kMostReasonBytes); // at least a byte a character
    while (joined.toUtf8().size() > kMostReasonBytes - 3) {
        joined.chop(1);
    }
    return joined + QChar(0x2026);
}

} // namespace

QString checkOptionsProblem(const CheckOptions& options)
{
    const auto inRange = [](double hours) { return hours > 0 && hours <= kMostCheckHours; };
    if (!inRange(options.warningHours) || !inRange(options.criticalHours)) {
        return QStringLiteral("the ages must be more than 0 hours and at most %1 hours (10 years)")
            .arg(kMostCheckHours);
    }
    if (options.criticalHours < options.warningHours) {
        return QStringLiteral("the critical age is below the warning age");
    }
    return {};
}

CheckResult unknownCheck(const QString& why)
{
    return {CheckState::Unknown, QStringLiteral("ORVEXDAB UNKNOWN - %1").arg(oneShortLine(why))};
}

CheckResult unansweredCheck()
{
    return unknownCheck(
        QStringLiteral("store did not answer within %1 s").arg(kCheckAnswerSeconds));
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
    std::optional<QDateTime> newestAttempt;
    for (const Site& s : sites) {
        if (s.status.lastAttempt && (!newestAttempt || *s.status.lastAttempt > *newestAttempt)) {
            newestAttempt = s.status.lastAttempt;
        }
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
    // Backups that stopped recording at all: their runs fail before the store hears of them.
    const qint64 quietFor =
        newestAttempt ? std::max<qint64>(0, newestAttempt->secsTo(options.now)) : 0;
    const bool silent = newestAttempt && quietFor > warnAge;
    CheckState state = CheckState::Ok;
    if (!critical.isEmpty() || (newestAttempt && quietFor > critAge)) {
        state = CheckState::Critical;
    } else if (!stale.isEmpty() || !failed.isEmpty() || !drifted.isEmpty() || silent ||
               !options.lockedOut.isEmpty()) {
        state = CheckState::Warning;
    }
    const QString warnText = QString::number(options.warningHours);
    QStringList parts{sites.size() == 1 ? QStringLiteral("1 site")
                                        : QStringLiteral("%1 sites").arg(sites.size())};
    if (critical.isEmpty() && stale.isEmpty()) {
        parts << QStringLiteral("all backed up within %1 h").arg(warnText);
    }
    if (silent) {
        parts << QStringLiteral("no attempt recorded within %1 h")
                     .arg(QString::number(quietFor > critAge ? options.criticalHours
                                                             : options.warningHours));
    }
    if (!options.lockedOut.isEmpty()) {
        parts << QStringLiteral("store not writable by its group: %1")
                     .arg(plain(options.lockedOut.constFirst()).left(200));
    }
    // Worst first, so that the names the line has room for are the ones that matter most.
    int room = kCheckNamedSites;
    if (!critical.isEmpty()) {
        parts << counted(
            critical,
            QStringLiteral("not backed up within %1 h").arg(QString::number(options.criticalHours)),
            room);
    }
    if (!stale.isEmpty()) {
        parts << counted(stale, QStringLiteral("not backed up within %1 h").arg(warnText), room);
    }
    parts << counted(failed, QStringLiteral("failed"), room);
    parts << counted(drifted, QStringLiteral("drifted"), room);
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
    if (const std::optional<QString> problem = accessProblem(store.location())) {
        return unknownCheck(*problem);
    }
    const StoreResult<QList<Site>> sites = store.sites();
    if (!sites.ok()) {
        return unknownCheck(sites.error->message);
    }
    CheckOptions withFiles = options;
    if (store.location().kind == StoreKind::Sqlite) {
        const QString path = store.location().path;
        withFiles.lockedOut = storage::lockedFromGroup(
            {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")});
    }
    return checkSites(sites.value, withFiles);
}

} // namespace fleet
