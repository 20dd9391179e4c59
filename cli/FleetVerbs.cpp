#include "cli/FleetVerbs.h"

#include "fleet/Check.h"

#include "cli/FleetOperands.h"

#include <memory>

namespace cli {
namespace {

// A verb over chosen sites: NAME..., --group GROUP or --all.
CLI::App* addSelectionVerb(CommandLine& cl, const std::shared_ptr<Collected>& c, const char* word,
                           const char* help, Verb verb)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* sub = cl.addVerb(word, help, verb, [&f, c, word](const QStringList& surplus) {
        f.sites = c->operands + surplus;
        return selectionError(word, f);
    });
    addOperands(sub, c, {{"NAME...", "Sites by name"}});
    addOnce(cl, sub, "--group", "GROUP", "Every site of the group", f.group);
    cl.addSwitch(sub, "--all", "Every site", f.all);
    return sub;
}

void addBackup(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* sub = addSelectionVerb(
        cl, c, "backup",
        "Upload the chosen sites at once and keep each one's values as a new version when they "
        "changed. One line a site: new, unchanged, changed or failed.",
        Verb::Backup);
    addOnce(cl, sub, "--note", "TEXT", "Kept with every version stored", f.note);
    addOnce(cl, sub, "--metrics", "FILE", "Write every site's metrics for a textfile collector",
            f.metrics);
    addOnce(cl, sub, "--on-change", "COMMAND",
            "Run through /bin/sh -c for each changed, failed, drift and recovered event",
            f.onChange);
}

void addHistoryAndDiff(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* history = cl.addVerb("history", "List a site's versions, oldest first.",
                                   Verb::History, [&f, c](const QStringList& surplus) {
                                       const QStringList given = c->operands + surplus;
                                       if (given.size() != 1) {
                                           return QStringLiteral("history needs one NAME");
                                       }
                                       f.sites = given;
                                       return QString();
                                   });
    addOperands(history, c, {{"NAME", "The site"}});

    CLI::App* diff = cl.addVerb(
        "diff",
        "Compare two of a site's versions. A and B: a version number, \"reference\" or \"live\" "
        "(an upload now); by default the version before the latest and the latest.",
        Verb::Diff, [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.isEmpty() || given.size() > 3) {
                return QStringLiteral("diff needs NAME [A [B]]");
            }
            // An empty side ("$FROM" unset in a script) is a mistake, not "the default".
            if (given.mid(1).contains(QString())) {
                return QStringLiteral("diff: A or B is empty; give a version number, "
                                      "\"reference\" or \"live\"");
            }
            f.sites = {given[0]};
            f.a = given.value(1);
            f.b = given.value(2);
            return QString();
        });
    addOperands(diff, c,
                {{"NAME", "The site"},
                 {"A", "A version number, reference or live"},
                 {"B", "A version number, reference or live"}});
}

void addExport(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* sub = cl.addVerb(
        "export",
        "Write a version as a parameter file. Members its layout does not carry come from "
        "--base (default: the panel's initial values).",
        Verb::Export, [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 2) {
                return QStringLiteral("export needs NAME and VERSION");
            }
            f.sites = {given[0]};
            f.version = versionNumber(given[1]);
            if (!f.version) {
                return badVersion(given[1]);
            }
            if (f.output.isEmpty()) {
                return QStringLiteral("export needs --output FILE");
            }
            return QString();
        });
    addOperands(sub, c, {{"NAME", "The site"}, {"VERSION", "A version number"}});
    addOnce(cl, sub, "--output", "FILE", "The parameter file to write", f.output);
    addOnce(cl, sub, "--base", "FILE", "Where the other members come from", f.base);
}

void addReferences(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    auto sound = std::make_shared<QString>();
    CLI::App* approve = cl.addVerb(
        "approve",
        "Make a version (default: the latest) the reference of its layout; with --sound, make "
        "SOURCE's values (a parameter file, SITE:VERSION or SITE:reference) the reference of "
        "every chosen site, without touching the processors.",
        Verb::Approve, [&f, c, sound](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (!sound->isNull()) {
                f.source = *sound;
                f.sites = given;
                return selectionError("approve --sound", f);
            }
            if (!f.group.isNull() || f.all || f.night) {
                return QStringLiteral("--group, --all and --night are for approve --sound");
            }
            if (given.isEmpty() || given.size() > 2) {
                return QStringLiteral("approve needs NAME [VERSION]");
            }
            f.sites = {given[0]};
            if (given.size() == 2 && !(f.version = versionNumber(given[1]))) {
                return badVersion(given[1]);
            }
            return QString();
        });
    addOperands(approve, c, {{"NAME", "The site"}, {"VERSION", "A version number"}});
    addOnce(cl, approve, "--sound", "SOURCE", "The values every chosen site is compared with",
            *sound);
    addOnce(cl, approve, "--group", "GROUP", "With --sound: every site of the group", f.group);
    cl.addSwitch(approve, "--all", "With --sound: every site", f.all);
    cl.addSwitch(approve, "--night", "With --sound: the night reference (default the day's)",
                 f.night);

    auto day = std::make_shared<bool>(false);
    auto night = std::make_shared<bool>(false);
    CLI::App* unapprove =
        cl.addVerb("unapprove", "Remove a site's reference, of one layout or of both.",
                   Verb::Unapprove, [&f, c, day, night](const QStringList& surplus) {
                       const QStringList given = c->operands + surplus;
                       if (given.size() != 1) {
                           return QStringLiteral("unapprove needs one NAME");
                       }
                       if (*day && *night) {
                           return QStringLiteral("--day and --night exclude each other");
                       }
                       f.sites = given;
                       if (*day || *night) {
                           f.layout = *day ? lnk::Layout::Day : lnk::Layout::Night;
                       }
                       return QString();
                   });
    addOperands(unapprove, c, {{"NAME", "The site"}});
    cl.addSwitch(unapprove, "--day", "Only the day reference", *day);
    cl.addSwitch(unapprove, "--night", "Only the night reference", *night);
}

void addDriftRestoreCheck(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* drift = addSelectionVerb(
        cl, c, "drift",
        "Compare the chosen sites' latest versions (with --live: what each processor holds now) "
        "with their references.",
        Verb::Drift);
    cl.addSwitch(drift, "--live", "Upload from each processor now", f.live);

    CLI::App* restore = cl.addVerb(
        "restore",
        "Send a version to the site's processor and read it back. Off a terminal it needs "
        "--yes; on one it shows what would change and asks.",
        Verb::Restore, [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 2) {
                return QStringLiteral("restore needs NAME and VERSION");
            }
            f.sites = {given[0]};
            f.version = versionNumber(given[1]);
            return f.version ? QString() : badVersion(given[1]);
        });
    addOperands(restore, c, {{"NAME", "The site"}, {"VERSION", "A version number"}});
    cl.addSwitch(restore, "--yes", "Send without asking", f.yes);
    cl.addSwitch(restore, "--save", "Then have the processor save the layout's preset", f.save);

    auto warning = std::make_shared<QString>();
    auto critical = std::make_shared<QString>();
    CLI::App* check = cl.addVerb(
        "check",
        "A monitoring check from the store alone: OK, WARNING, CRITICAL or UNKNOWN, with "
        "performance data; its exit status is the state's (0 to 3).",
        Verb::Check, [&f, warning, critical](const QStringList& surplus) {
            if (!surplus.isEmpty()) {
                return QStringLiteral("check takes no operand");
            }
            const auto hours = [](const QString& text, double& into) {
                bool ok = true;
                if (!text.isNull()) {
                    into = text.toDouble(&ok);
                }
                return ok;
            };
            if (!hours(*warning, f.warningHours)) {
                return QStringLiteral("--warning %1 is not a number of hours").arg(*warning);
            }
            if (!hours(*critical, f.criticalHours)) {
                return QStringLiteral("--critical %1 is not a number of hours").arg(*critical);
            }
            fleet::CheckOptions ages;
            ages.warningHours = f.warningHours;
            ages.criticalHours = f.criticalHours;
            return fleet::checkOptionsProblem(ages);
        });
    const auto hours = [](double h) { return QString::number(h).toStdString(); };
    const std::string warningHelp =
        "Warn at a last success older (default " + hours(fleet::kDefaultWarningHours) + ")";
    const std::string criticalHelp = "Critical at a last success older (default " +
                                     hours(fleet::kDefaultCriticalHours) + "), or none";
    addOnce(cl, check, "--warning", "HOURS", warningHelp.c_str(), *warning);
    addOnce(cl, check, "--critical", "HOURS", criticalHelp.c_str(), *critical);
}

} // namespace

void addFleetVerbs(CommandLine& cl)
{
    const auto c = std::make_shared<Collected>();
    addSiteVerbs(cl, c);
    addBackup(cl, c);
    addHistoryAndDiff(cl, c);
    addExport(cl, c);
    addReferences(cl, c);
    addDriftRestoreCheck(cl, c);
    addDeployVerbs(cl, c);
}

} // namespace cli
