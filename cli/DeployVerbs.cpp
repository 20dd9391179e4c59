// The deploy verbs: deploy (and its revert) and deploys.
#include "cli/FleetOperands.h"

namespace cli {
void addDeployVerbs(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    auto canaries = std::make_shared<QString>();
    auto revert = std::make_shared<QString>();
    CLI::App* deploy = cl.addVerb(
        "deploy",
        "Send SOURCE's values (a parameter file, SITE:VERSION or SITE:reference) to the chosen "
        "sites and read each one back: the canaries one at a time, then the rest at once. A "
        "canary that is not verified stops the run, and so does any other site unless "
        "--continue. Off a terminal it needs --yes. --revert ID sends each site that run "
        "reached its version from before it.",
        Verb::Deploy, [&f, c, canaries, revert](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (!canaries->isNull()) {
                bool ok = false;
                f.canaries = canaries->toInt(&ok);
                if (!ok || f.canaries < 0 || canaries->startsWith(QLatin1Char('+'))) {
                    return QStringLiteral("--canary %1 is not a number of sites").arg(*canaries);
                }
            }
            if (!revert->isNull()) {
                bool ok = false;
                f.revert = revert->toLongLong(&ok);
                if (!ok || *f.revert < 1 || revert->startsWith(QLatin1Char('+'))) {
                    return QStringLiteral("--revert %1 is not a deploy's id").arg(*revert);
                }
                if (!given.isEmpty() || !f.group.isNull() || f.all) {
                    return QStringLiteral("deploy --revert ID takes no SOURCE and no sites: it "
                                          "reverts the sites that run reached");
                }
                if (f.night) {
                    return QStringLiteral("deploy --revert takes the layout of the run it "
                                          "reverts; --night is not for it");
                }
                return QString();
            }
            if (given.isEmpty()) {
                return QStringLiteral("deploy needs SOURCE and NAME..., --group GROUP or --all");
            }
            f.source = given[0];
            f.sites = given.mid(1);
            return selectionError("deploy", f);
        });
    addOperands(deploy, c,
                {{"SOURCE", "A parameter file, SITE:VERSION or SITE:reference"},
                 {"NAME...", "Sites by name"}});
    addOnce(cl, deploy, "--group", "GROUP", "Every site of the group", f.group);
    cl.addSwitch(deploy, "--all", "Every site", f.all);
    cl.addSwitch(deploy, "--night", "Send the night frame (a night SOURCE needs it)", f.night);
    addOnce(cl, deploy, "--canary", "N", "Sites sent one at a time first (default 1; 0 for none)",
            *canaries);
    cl.addSwitch(deploy, "--continue", "Go on after a site that fails or is not verified",
                 f.continueAfterFailure);
    cl.addSwitch(deploy, "--accept-other-block",
                 "A site running its other block counts as sent, and the run goes on",
                 f.acceptOtherBlock);
    cl.addSwitch(deploy, "--save", "Then have each verified site save the layout's preset", f.save);
    cl.addSwitch(deploy, "--approve", "Each verified version becomes the site's reference",
                 f.approveVerified);
    addOnce(cl, deploy, "--note", "TEXT", "Kept with the run and every version it stores", f.note);
    cl.addSwitch(deploy, "--yes", "Send without asking", f.yes);
    addOnce(cl, deploy, "--revert", "ID", "Send each site that run reached its version before",
            *revert);

    CLI::App* deploys = cl.addVerb("deploys", "List the deploys, newest first, one line a run.",
                                   Verb::Deploys, [c](const QStringList& surplus) {
                                       return (c->operands + surplus).isEmpty()
                                                  ? QString()
                                                  : QStringLiteral("deploys takes no operand");
                                   });
    (void)deploys;
}

} // namespace cli
