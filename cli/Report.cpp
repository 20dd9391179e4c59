#include "cli/Report.h"

#include "link/Printable.h"
#include "session/Comparison.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace cli {
namespace {

QString layoutWord(lnk::Layout b)
{
    return b == lnk::Layout::Day ? QStringLiteral("day") : QStringLiteral("night");
}

} // namespace

QString memberName(model::Member m)
{
    const std::string_view name = model::info(m).name;
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

QString textReport(const PortOutcome& o)
{
    // A port from a ports file and a line's words reach the terminal as they came: no control
    // character raw.
    QString text = QStringLiteral("%1: %2: ").arg(lnk::printable(o.port), o.command);
    if (!o.ok) {
        return text + QStringLiteral("failed: ") + lnk::printable(o.error) + QLatin1Char('\n');
    }
    if (!o.output.isEmpty()) {
        text += QStringLiteral("ok, %1 layout, written to %2")
                    .arg(o.layout ? layoutWord(*o.layout) : QString(), o.output);
    } else if (o.layout) {
        const qsizetype n = o.differences.size();
        text += n == 0 ? QStringLiteral("no differences") : session::differencesWord(n);
        text += QStringLiteral(" (%1 layout)").arg(layoutWord(*o.layout));
    } else {
        text += QStringLiteral("ok");
    }
    text += QLatin1Char('\n');
    for (const session::Difference& d : o.differences) {
        text += QStringLiteral("  %1: file %2, processor %3\n")
                    .arg(memberName(d.member))
                    .arg(d.a)
                    .arg(d.b);
    }
    return text;
}

QString jsonReport(const PortOutcome& o)
{
    QJsonArray differences;
    for (const session::Difference& d : o.differences) {
        differences.append(QJsonObject{{QStringLiteral("name"), memberName(d.member)},
                                       {QStringLiteral("file"), d.a},
                                       {QStringLiteral("processor"), d.b}});
    }
    const auto orNull = [](const QString& s) { return s.isEmpty() ? QJsonValue() : s; };
    const QJsonObject object{
        {QStringLiteral("port"), o.port},
        {QStringLiteral("command"), o.command},
        {QStringLiteral("ok"), o.ok},
        {QStringLiteral("error"), orNull(o.error)},
        {QStringLiteral("layout"), o.layout ? QJsonValue(layoutWord(*o.layout)) : QJsonValue()},
        {QStringLiteral("differences"), differences},
        {QStringLiteral("output"), orNull(o.output)},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
           QLatin1Char('\n');
}

int exitStatus(const QList<PortOutcome>& outcomes)
{
    const bool allGood = std::all_of(outcomes.begin(), outcomes.end(), [](const PortOutcome& o) {
        return o.ok && o.differences.isEmpty();
    });
    return allGood ? kExitOk : kExitFailed;
}

} // namespace cli
