#include "cli/FleetReport.h"

#include "cli/Report.h"
#include "link/Printable.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace cli {
namespace {

QString differencesWord(int n)
{
    return session::differencesWord(n);
}

QString isoTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODate);
}

QJsonValue orNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue timeOrNull(const std::optional<QDateTime>& time)
{
    return time ? QJsonValue(isoTime(*time)) : QJsonValue();
}

QString outcomeWord(fleet::AttemptOutcome outcome)
{
    switch (outcome) {
    case fleet::AttemptOutcome::New:
        return QStringLiteral("new");
    case fleet::AttemptOutcome::Unchanged:
        return QStringLiteral("unchanged");
    case fleet::AttemptOutcome::Changed:
        return QStringLiteral("changed");
    case fleet::AttemptOutcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString driftWord(fleet::SiteDrift::State state)
{
    switch (state) {
    case fleet::SiteDrift::State::NoDrift:
        return QStringLiteral("no drift");
    case fleet::SiteDrift::State::Drift:
        return QStringLiteral("drift");
    case fleet::SiteDrift::State::NoReference:
        return QStringLiteral("no reference");
    case fleet::SiteDrift::State::Skipped:
        return QStringLiteral("skipped");
    case fleet::SiteDrift::State::NotLocal:
        return QStringLiteral("not local");
    case fleet::SiteDrift::State::Failed:
        break;
    }
    return QStringLiteral("failed");
}

// The layout both sides share, else the later side's.
lnk::Layout diffLayout(const fleet::DiffResult& diff)
{
    return diff.b.layout;
}

QString stateText(const fleet::SiteStatus& s)
{
    const fleet::SiteState state = fleet::siteState(s);
    if (state == fleet::SiteState::Failed) {
        // The message itself is history's and --json's: a table cell stays short.
        return QStringLiteral("%1 (%2)").arg(fleet::stateWord(state)).arg(s.failures);
    }
    return fleet::stateWord(state);
}

QString driftCell(const fleet::SiteStatus& s)
{
    if (!s.drift) {
        return QStringLiteral("no reference");
    }
    return *s.drift == 0 ? QStringLiteral("none") : differencesWord(*s.drift);
}

// Why a restore was not verified; empty when it was.
QString restoreProblem(const fleet::RestoreResult& r)
{
    switch (r.verification) {
    case fleet::RestoreResult::Verification::NotReached:
        return !r.sendError.isEmpty()
                   ? r.sendError
                   : QStringLiteral("sent, not read back: %1").arg(r.readBackError);
    case fleet::RestoreResult::Verification::Differs:
        return QStringLiteral("not taken: %1 after sending version %2 (%3 layout)")
            .arg(differencesWord(int(r.differences.size())))
            .arg(r.version)
            .arg(fleet::layoutName(r.layout));
    case fleet::RestoreResult::Verification::OtherBlock:
        return r.notVerifiedText();
    case fleet::RestoreResult::Verification::Verified:
        break;
    }
    return {};
}

} // namespace

QJsonArray differencesJson(const QList<session::Difference>& differences)
{
    QJsonArray list;
    for (const session::Difference& d : differences) {
        list.append(QJsonObject{{QStringLiteral("name"), memberName(d.member)},
                                {QStringLiteral("a"), d.a},
                                {QStringLiteral("b"), d.b}});
    }
    return list;
}

QString jsonLine(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
           QLatin1Char('\n');
}

QString differenceLines(const QList<session::Difference>& differences)
{
    QString text;
    for (const session::Difference& d : differences) {
        text += QStringLiteral("  %1: %2 -> %3\n").arg(memberName(d.member)).arg(d.a).arg(d.b);
    }
    return text;
}

QString backupText(const fleet::SiteBackup& b)
{
    QString text = lnk::printable(b.site) + QStringLiteral(": ");
    if (!b.notReached.isEmpty()) {
        return text + lnk::printable(b.notReached) + QLatin1Char('\n');
    }
    switch (b.outcome) {
    case fleet::AttemptOutcome::New:
        text += QStringLiteral("new, version %1").arg(b.version);
        break;
    case fleet::AttemptOutcome::Unchanged:
        text += QStringLiteral("unchanged");
        break;
    case fleet::AttemptOutcome::Changed:
        text += QStringLiteral("changed, version %1 (%2)")
                    .arg(b.version)
                    .arg(differencesWord(b.differences));
        break;
    case fleet::AttemptOutcome::Failed:
        text += QStringLiteral("failed: ") + lnk::printable(b.error);
        break;
    }
    return text + QLatin1Char('\n');
}

QJsonObject backupJson(const fleet::SiteBackup& b)
{
    const bool stored =
        b.outcome == fleet::AttemptOutcome::New || b.outcome == fleet::AttemptOutcome::Changed;
    return {
        {QStringLiteral("site"), b.site},
        {QStringLiteral("outcome"), b.skipped ? QStringLiteral("skipped") : outcomeWord(b.outcome)},
        {QStringLiteral("version"), stored ? QJsonValue(b.version) : QJsonValue()},
        {QStringLiteral("differences"),
         b.outcome == fleet::AttemptOutcome::Changed ? QJsonValue(b.differences) : QJsonValue()},
        {QStringLiteral("layout"),
         b.layout ? QJsonValue(fleet::layoutName(*b.layout)) : QJsonValue()},
        {QStringLiteral("error"), orNull(b.notReached.isEmpty() ? b.error : b.notReached)},
    };
}

QString historyText(const fleet::HistoryEntry& e)
{
    const fleet::Version& v = e.version;
    QStringList fields{QString::number(v.number), isoTime(v.time), fleet::layoutName(v.layout),
                       fleet::sourceName(v.source), lnk::printable(v.by)};
    fields << (e.differences ? differencesWord(*e.differences)
                             : QStringLiteral("first %1 version").arg(fleet::layoutName(v.layout)));
    if (v.reference) {
        fields << QStringLiteral("reference");
    }
    if (!v.note.isEmpty()) {
        fields << lnk::printable(v.note);
    }
    return fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
}

QString soundReferenceText(const fleet::Version& ref)
{
    return QStringList{QStringLiteral("reference"), isoTime(ref.time),
                       fleet::layoutName(ref.layout),
                       QStringLiteral("approved from %1").arg(lnk::printable(ref.origin)),
                       lnk::printable(ref.by)}
               .join(QStringLiteral("  ")) +
           QLatin1Char('\n');
}

QJsonObject soundReferenceJson(const fleet::Version& ref)
{
    return {{QStringLiteral("version"), QJsonValue()},
            {QStringLiteral("time"), isoTime(ref.time)},
            {QStringLiteral("layout"), fleet::layoutName(ref.layout)},
            {QStringLiteral("by"), ref.by},
            {QStringLiteral("reference"), true},
            {QStringLiteral("origin"), ref.origin}};
}

QJsonObject historyJson(const fleet::HistoryEntry& e)
{
    const fleet::Version& v = e.version;
    return {
        {QStringLiteral("version"), v.number},
        {QStringLiteral("time"), isoTime(v.time)},
        {QStringLiteral("layout"), fleet::layoutName(v.layout)},
        {QStringLiteral("source"), fleet::sourceName(v.source)},
        {QStringLiteral("by"), v.by},
        {QStringLiteral("note"), v.note},
        {QStringLiteral("differences"), e.differences ? QJsonValue(*e.differences) : QJsonValue()},
        {QStringLiteral("reference"), v.reference},
    };
}

QString diffText(const fleet::DiffResult& d)
{
    const int n = int(d.differences.size());
    return QStringLiteral("%1: %2, %3 -> %4 (%5 layout)\n")
               .arg(lnk::printable(d.site),
                    n == 0 ? QStringLiteral("no differences") : differencesWord(n), d.a.label(),
                    d.b.label(), fleet::layoutName(diffLayout(d))) +
           differenceLines(d.differences);
}

QJsonObject diffJson(const fleet::DiffResult& d)
{
    return {
        {QStringLiteral("site"), d.site},
        {QStringLiteral("layout"), fleet::layoutName(diffLayout(d))},
        {QStringLiteral("from"), d.a.label()},
        {QStringLiteral("to"), d.b.label()},
        {QStringLiteral("differences"), differencesJson(d.differences)},
    };
}

QString driftText(const fleet::SiteDrift& d)
{
    QString text = lnk::printable(d.site) + QStringLiteral(": ");
    switch (d.state) {
    case fleet::SiteDrift::State::Drift:
        text += QStringLiteral("drift: %1 (%2 layout)")
                    .arg(differencesWord(int(d.differences.size())),
                         fleet::layoutName(d.layout.value_or(lnk::Layout::Day)));
        break;
    case fleet::SiteDrift::State::Failed:
        text += QStringLiteral("failed: ") + lnk::printable(d.error);
        break;
    case fleet::SiteDrift::State::NotLocal:
    case fleet::SiteDrift::State::Skipped:
        text += lnk::printable(d.error);
        break;
    default:
        text += driftWord(d.state);
    }
    return text + QLatin1Char('\n') + differenceLines(d.differences);
}

QJsonObject driftJson(const fleet::SiteDrift& d)
{
    return {
        {QStringLiteral("site"), d.site},
        {QStringLiteral("state"), driftWord(d.state)},
        {QStringLiteral("layout"),
         d.layout ? QJsonValue(fleet::layoutName(*d.layout)) : QJsonValue()},
        {QStringLiteral("reference"), d.reference > 0 ? QJsonValue(d.reference) : QJsonValue()},
        {QStringLiteral("differences"), differencesJson(d.differences)},
        {QStringLiteral("error"), orNull(d.error)},
    };
}

QString restoreText(const fleet::RestoreResult& r)
{
    using Verification = fleet::RestoreResult::Verification;
    const QString site = lnk::printable(r.site);
    QString text;
    switch (r.verification) {
    case Verification::Verified:
        text = QStringLiteral("%1: version %2 restored and verified (read back as version %3)\n")
                   .arg(site)
                   .arg(r.version)
                   .arg(r.readBackVersion);
        break;
    case Verification::NotReached:
        text = QStringLiteral("%1: failed: %2\n").arg(site, lnk::printable(restoreProblem(r)));
        break;
    case Verification::Differs:
    case Verification::OtherBlock:
        text = QStringLiteral("%1: %2\n").arg(site, restoreProblem(r)) +
               differenceLines(r.differences);
        break;
    }
    if (!r.recordError.isEmpty()) {
        text += QStringLiteral("%1: read-back not stored: %2\n")
                    .arg(site, lnk::printable(r.recordError));
    }
    if (r.saveSent) {
        text +=
            QStringLiteral("%1: saved as the %2 preset\n").arg(site, fleet::layoutName(r.layout));
    } else if (!r.saveError.isEmpty()) {
        text += QStringLiteral("%1: not saved: %2\n").arg(site, lnk::printable(r.saveError));
    }
    return text;
}

QJsonObject restoreJson(const fleet::RestoreResult& r)
{
    static const char* const states[] = {"not reached", "verified", "differs", "not verified"};
    return {
        {QStringLiteral("site"), r.site},
        {QStringLiteral("version"), r.version},
        {QStringLiteral("layout"), fleet::layoutName(r.layout)},
        {QStringLiteral("ok"), r.ok()},
        {QStringLiteral("verification"), QLatin1String(states[int(r.verification)])},
        {QStringLiteral("read_back_version"),
         r.readBackVersion > 0 ? QJsonValue(r.readBackVersion) : QJsonValue()},
        {QStringLiteral("differences"), differencesJson(r.differences)},
        {QStringLiteral("saved"), r.saveSent},
        {QStringLiteral("error"), orNull(restoreProblem(r))},
    };
}

QString siteTableText(const QList<fleet::Site>& sites)
{
    QList<QStringList> rows{{QStringLiteral("NAME"), QStringLiteral("PORT"),
                             QStringLiteral("GROUP"), QStringLiteral("LAST BACKUP"),
                             QStringLiteral("STATE"), QStringLiteral("DRIFT"),
                             QStringLiteral("LOCAL TO")}};
    for (const fleet::Site& s : sites) {
        rows.append(
            {lnk::printable(s.name), lnk::printable(s.port),
             s.group.isEmpty() ? QStringLiteral("-") : lnk::printable(s.group),
             s.status.lastSuccess ? isoTime(*s.status.lastSuccess) : QStringLiteral("never"),
             stateText(s.status), driftCell(s.status),
             s.owner.isEmpty() ? QStringLiteral("-") : lnk::printable(s.owner.text())});
    }
    QList<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList& row : std::as_const(rows)) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    QString text;
    for (const QStringList& row : std::as_const(rows)) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i) {
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        }
        text += line + QLatin1Char('\n');
    }
    return text;
}

QJsonObject siteJson(const fleet::Site& s)
{
    const fleet::SiteStatus& st = s.status;
    return {
        {QStringLiteral("site"), s.name},
        {QStringLiteral("port"), s.port},
        {QStringLiteral("group"), orNull(s.group)},
        {QStringLiteral("last_attempt"), timeOrNull(st.lastAttempt)},
        {QStringLiteral("last_success"), timeOrNull(st.lastSuccess)},
        {QStringLiteral("last_change"), timeOrNull(st.lastChange)},
        {QStringLiteral("failures"), st.failures},
        {QStringLiteral("error"), orNull(st.lastError)},
        {QStringLiteral("drift"), st.drift ? QJsonValue(*st.drift) : QJsonValue()},
        {QStringLiteral("local_to"), orNull(s.owner.text())},
    };
}

} // namespace cli
