#include "cli/FleetOperands.h"

namespace cli {

void addSiteVerbs(CommandLine& cl, const std::shared_ptr<Collected>& c)
{
    FleetArguments& f = cl.invocation().fleet;
    CLI::App* site = cl.addGroup("site", "Add, change, remove or list the sites of the fleet.");

    CLI::App* add = cl.addVerb(
        "add",
        "Add a site: a name (letters, digits, space, '.', '_', '-', at most 64, unique "
        "regardless of case) and its port, as for --port.",
        Verb::SiteAdd,
        [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 2) {
                return QStringLiteral("site add needs NAME and PORT");
            }
            f.sites = {given[0]};
            f.port = given[1];
            return QString();
        },
        site);
    addOperands(add, c, {{"NAME", "The site's name"}, {"PORT", "Its port, as for --port"}});
    addOnce(cl, add, "--group", "GROUP", "The group the site belongs to", f.group);

    CLI::App* set = cl.addVerb(
        "set",
        "Change a site's port, group or name; its history stays with it. --here makes the "
        "site's local port (a number or a device path) this machine's and data folder's.",
        Verb::SiteSet,
        [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 1) {
                return QStringLiteral("site set needs one NAME");
            }
            if (f.port.isNull() && f.group.isNull() && f.newName.isNull() && !f.here) {
                return QStringLiteral("site set needs --port, --group, --name or --here");
            }
            f.sites = given;
            return QString();
        },
        site);
    addOperands(set, c, {{"NAME", "The site"}});
    addOnce(cl, set, "--port", "PORT", "The new port", f.port);
    addOnce(cl, set, "--group", "GROUP", "The new group", f.group);
    addOnce(cl, set, "--name", "NEWNAME", "The new name", f.newName);
    cl.addSwitch(set, "--here", "Its local port is this machine's (and data folder's)", f.here);

    CLI::App* remove = cl.addVerb(
        "remove", "Remove a site; its history stays unless --purge.", Verb::SiteRemove,
        [&f, c](const QStringList& surplus) {
            const QStringList given = c->operands + surplus;
            if (given.size() != 1) {
                return QStringLiteral("site remove needs one NAME");
            }
            f.sites = given;
            return QString();
        },
        site);
    addOperands(remove, c, {{"NAME", "The site"}});
    cl.addSwitch(remove, "--purge", "Delete its history too", f.purge);

    cl.addVerb(
        "list",
        "List the sites: port, group, last backup, state, drift and whose local port it is.",
        Verb::SiteList,
        [](const QStringList& surplus) {
            return surplus.isEmpty() ? QString() : QStringLiteral("site list takes no operand");
        },
        site);
}

} // namespace cli
