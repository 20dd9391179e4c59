#include "cli/DeployReport.h"

#include "link/Printable.h"

#include <QJsonArray>

#include <map>

namespace cli {
namespace {

QJsonValue numberOrNull(const std::optional<int>& n)
{
    return n ? QJsonValue(*n) : QJsonValue();
}

// "3 verified, 1 failed, 2 not sent", in the order of the outcomes' own list.
QString countsText(const std::map<QString, int>& counts, const QStringList& order)
{
    QStringList parts;
    for (const QString& word : order) {
        const auto it = counts.find(word);
        if (it != counts.end() && it->second > 0) {
            parts << QStringLiteral("%1 %2").arg(it->second).arg(word);
        }
    }
    return parts.isEmpty() ? QStringLiteral("no sites") : parts.join(QStringLiteral(", "));
}

const QStringList& outcomeOrder()
{
    static const QStringList order = [] {
        QStringList o;
        for (const auto k : {fleet::DeployOutcome::Verified, fleet::DeployOutcome::NotVerified,
                             fleet::DeployOutcome::OtherBlock, fleet::DeployOutcome::Failed,
                             fleet::DeployOutcome::NotSent, fleet::DeployOutcome::NothingToRevert,
                             fleet::DeployOutcome::Skipped}) {
            o << fleet::outcomeWord(k);
        }
        return o;
    }();
    return order;
}

} // namespace

QString previewText(const fleet::DeployTarget& t)
{
    QString what;
    if (t.skipped) {
        what = QStringLiteral("skipped (%1)").arg(t.notSent);
    } else if (t.nothingToRevert) {
        what = QStringLiteral("nothing to revert to");
    } else if (!t.notSent.isEmpty()) {
        what = QStringLiteral("not sent (%1)").arg(t.notSent);
    } else if (!t.differences) {
        what = QStringLiteral("no version yet");
    } else if (t.differences->isEmpty()) {
        what = QStringLiteral("same values");
    } else {
        what = session::differencesWord(t.differences->size());
    }
    return QStringLiteral("%1: %2\n").arg(lnk::printable(t.site.name), what);
}

QJsonObject previewJson(const fleet::DeployTarget& t)
{
    return {{QStringLiteral("site"), t.site.name},
            {QStringLiteral("version"), numberOrNull(t.before)},
            {QStringLiteral("differences"),
             t.differences ? QJsonValue(int(t.differences->size())) : QJsonValue()}};
}

QString deployText(const fleet::SiteDeploy& s)
{
    return QStringLiteral("%1: %2\n")
        .arg(lnk::printable(s.site), lnk::printable(fleet::outcomeText(s)));
}

QJsonObject deployJson(const fleet::SiteDeploy& s)
{
    QString error = s.error;
    if (error.isEmpty()) {
        error =
            !s.saveError.isEmpty() ? QStringLiteral("save failed: ") + s.saveError : s.recordError;
    }
    const bool read = s.outcome == fleet::DeployOutcome::Verified ||
                      s.outcome == fleet::DeployOutcome::NotVerified;
    return {
        {QStringLiteral("site"), s.site},
        {QStringLiteral("outcome"), fleet::outcomeWord(s.outcome)},
        {QStringLiteral("version"), read && s.version > 0 ? QJsonValue(s.version) : QJsonValue()},
        {QStringLiteral("differences"),
         s.outcome == fleet::DeployOutcome::NotVerified ? QJsonValue(s.differences)
         : s.outcome == fleet::DeployOutcome::Verified  ? QJsonValue(0)
                                                        : QJsonValue()},
        {QStringLiteral("error"), error.isEmpty() ? QJsonValue() : QJsonValue(error)},
        {QStringLiteral("canary"), s.canary},
        {QStringLiteral("saved"), s.saveSent}};
}

QString deploySummaryText(const fleet::DeployReport& r)
{
    std::map<QString, int> counts;
    for (const fleet::SiteDeploy& s : r.sites) {
        ++counts[fleet::outcomeWord(s.outcome)];
    }
    QString text =
        QStringLiteral("deploy %1: %2").arg(r.id).arg(countsText(counts, outcomeOrder()));
    if (!r.stoppedAfter.isEmpty()) {
        text += QStringLiteral(" (stopped after %1)").arg(lnk::printable(r.stoppedAfter));
    }
    return text + QLatin1Char('\n');
}

QJsonObject deploySummaryJson(const fleet::DeployReport& r)
{
    QJsonObject counts;
    for (const QString& word : outcomeOrder()) {
        counts.insert(word, 0);
    }
    for (const fleet::SiteDeploy& s : r.sites) {
        const QString word = fleet::outcomeWord(s.outcome);
        counts.insert(word, counts.value(word).toInt() + 1);
    }
    return {{QStringLiteral("deploy"), r.id},
            {QStringLiteral("ok"), r.allVerified()},
            {QStringLiteral("stopped_after"),
             r.stoppedAfter.isEmpty() ? QJsonValue() : QJsonValue(r.stoppedAfter)},
            {QStringLiteral("counts"), counts},
            {QStringLiteral("seconds"), r.seconds}};
}

QString deploysText(const fleet::DeployRecord& run)
{
    std::map<QString, int> counts;
    for (const fleet::DeploySiteRecord& s : run.sites) {
        ++counts[fleet::deployStateName(s.state)];
    }
    QStringList states;
    for (const auto k : {fleet::DeployState::Verified, fleet::DeployState::NotVerified,
                         fleet::DeployState::OtherBlock, fleet::DeployState::Failed,
                         fleet::DeployState::NotSent, fleet::DeployState::NothingToRevert,
                         fleet::DeployState::Sending, fleet::DeployState::Waiting}) {
        states << fleet::deployStateName(k);
    }
    QStringList fields{
        QString::number(run.id),
        run.time.toUTC().toString(Qt::ISODate),
        lnk::printable(run.by),
        lnk::printable(run.source),
        fleet::layoutName(run.layout),
        QStringLiteral("%1 %2: %3")
            .arg(run.sites.size())
            .arg(run.sites.size() == 1 ? QStringLiteral("site") : QStringLiteral("sites"))
            .arg(countsText(counts, states))};
    if (!run.ended) {
        fields << QStringLiteral("not ended");
    }
    if (!run.note.isEmpty()) {
        fields << lnk::printable(run.note);
    }
    return fields.join(QStringLiteral("  ")) + QLatin1Char('\n');
}

QJsonObject deploysJson(const fleet::DeployRecord& run)
{
    QJsonArray sites;
    for (const fleet::DeploySiteRecord& s : run.sites) {
        sites.append(QJsonObject{
            {QStringLiteral("site"), s.site},
            {QStringLiteral("outcome"), fleet::deployStateName(s.state)},
            {QStringLiteral("before"), numberOrNull(s.before)},
            {QStringLiteral("after"), numberOrNull(s.after)},
            {QStringLiteral("detail"), s.detail.isEmpty() ? QJsonValue() : QJsonValue(s.detail)}});
    }
    return {{QStringLiteral("id"), run.id},
            {QStringLiteral("time"), run.time.toUTC().toString(Qt::ISODate)},
            {QStringLiteral("by"), run.by},
            {QStringLiteral("source"), run.source},
            {QStringLiteral("note"), run.note},
            {QStringLiteral("layout"), fleet::layoutName(run.layout)},
            {QStringLiteral("revert_of"), run.revertOf ? QJsonValue(*run.revertOf) : QJsonValue()},
            {QStringLiteral("ended"),
             run.ended ? QJsonValue(run.ended->toUTC().toString(Qt::ISODate)) : QJsonValue()},
            {QStringLiteral("sites"), sites}};
}

} // namespace cli
