#include "cli/CheckVerb.h"

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/FleetCommand.h"
#include "cli/FleetReport.h"
#include "fleet/CheckRun.h"

#include <QJsonObject>

namespace cli {
namespace {

// The options of the whole program and of the check that take a value as the next word.
bool takesValue(const QString& word)
{
    static const QStringList options{QStringLiteral("--port"),     QStringLiteral("--ports-file"),
                                     QStringLiteral("--parallel"), QStringLiteral("--data-dir"),
                                     QStringLiteral("--store"),    QStringLiteral("--warning"),
                                     QStringLiteral("--critical")};
    return options.contains(word);
}

bool isVerbWord(const QString& word)
{
    if (word == QLatin1String("site") || commandByWord(word)) {
        return true;
    }
    for (int v = int(Verb::Send); v <= int(Verb::Check); ++v) {
        if (verbWord(Verb(v)).section(QLatin1Char(' '), 0, 0) == word) {
            return true;
        }
    }
    return false;
}

} // namespace

QString checkOutput(const fleet::CheckResult& result, bool json)
{
    if (!json) {
        return result.line + QLatin1Char('\n');
    }
    return jsonLine(QJsonObject{{QStringLiteral("state"), int(result.state)},
                                {QStringLiteral("line"), result.line}});
}

bool namesCheck(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == QLatin1String("--")) {
            return false;
        }
        if (takesValue(word)) {
            ++i;
            continue;
        }
        if (word.startsWith(QLatin1Char('-'))) {
            continue;
        }
        if (isVerbWord(word)) {
            return word == QLatin1String("check");
        }
    }
    return false;
}

void FleetCommand::startCheck()
{
    fleet::CheckOptions options;
    options.warningHours = m_args.warningHours;
    options.criticalHours = m_args.criticalHours;
    auto* run = new fleet::CheckRun(m_location, options, this);
    connect(run, &fleet::CheckRun::finished, this, [this](const fleet::CheckResult& r) {
        writeOut(checkOutput(r, m_inv.json));
        done(int(r.state));
    });
    run->start();
}

} // namespace cli
