// What a deploy would send to each site, read from the store before anything is sent.
#include "fleet/DeploySite.h"

#include "link/Printable.h"

namespace fleet {
namespace {

lnk::Layout otherLayout(lnk::Layout layout)
{
    return layout == lnk::Layout::Day ? lnk::Layout::Night : lnk::Layout::Day;
}

// The site's frame: what the source carries, and for any member of the frame it does not (the
// night frame's day/night switch, a version's members of the other layout) what the site's other
// layout last held, so nothing the site runs is changed by a value nobody chose.
std::optional<StoreError> aimAt(Store& store, DeployTarget& t, const session::CarriedValues& sent,
                                lnk::Layout layout)
{
    const auto other = store.latest(t.site.name, otherLayout(layout));
    const auto latest = store.latest(t.site.name, layout);
    for (const auto* e : {&other.error, &latest.error}) {
        if (*e) {
            return *e;
        }
    }
    t.frame = sent.over(other.value ? other.value->values : initialValues());
    if (latest.value) {
        t.before = latest.value->number;
        t.differences = session::differences(latest.value->carried(),
                                             session::CarriedValues::ofLayout(layout, t.frame));
    }
    return std::nullopt;
}

void markUnreachable(DeployTarget& t, const Place& place, bool named)
{
    if (const auto why = notLocal(t.site, place)) {
        t.skipped = !named;
        t.notSent = named ? notLocalHere(t.site.port, t.site.owner, place)
                          : QStringLiteral("local to %1").arg(t.site.owner.host);
    }
}

DeployPlan planRevert(Store& store, const DeployRequest& request)
{
    DeployPlan p;
    const qint64 id = *request.revert;
    p.source = QStringLiteral("revert %1").arg(id);
    const StoreResult<DeployRecord> run = store.deploy(id);
    if ((p.error = run.error)) {
        return p;
    }
    p.layout = run.value.layout;
    for (const DeploySiteRecord& row : run.value.sites) {
        // Reached: its frame may have gone out, a row left at sending included.
        if (!reached(row.state)) {
            continue;
        }
        DeployTarget t;
        const StoreResult<Site> site = store.site(row.site);
        if (!site.ok() || site.value.removed) {
            t.site.name = row.site;
            t.notSent = site.ok() ? QStringLiteral("site removed") : site.error->message;
            p.sites.append(t);
            continue;
        }
        t.site = site.value;
        if (!row.before) {
            t.nothingToRevert = true;
            p.sites.append(t);
            continue;
        }
        const StoreResult<Version> before = store.version(row.site, *row.before);
        if ((p.error = before.error)) {
            return p;
        }
        if ((p.error = aimAt(store, t, before.value.carried(), p.layout))) {
            return p;
        }
        markUnreachable(t, request.link.place(), true);
        p.sites.append(t);
    }
    return p;
}

} // namespace

DeployPlan planDeploy(Store& store, const DeployRequest& request)
{
    if (request.revert) {
        return planRevert(store, request);
    }
    DeployPlan p;
    p.layout = request.layout;
    p.source = request.source;
    QString why;
    const std::optional<DeploySource> source = parseDeploySource(request.source, &why);
    if (!source) {
        p.usageError = why;
        return p;
    }
    const SourceValues values = readSource(store, *source, request.layout);
    if ((p.error = values.error)) {
        return p;
    }
    if (!values.fileError.isEmpty()) {
        p.usageError = values.fileError;
        return p;
    }
    if (!model::ParameterSet().restore(values.carried().over(initialValues()))) {
        p.usageError = QStringLiteral("%1 holds values out of range").arg(source->text);
        return p;
    }
    const StoreResult<QList<Site>> sites = store.select(request.selection);
    if ((p.error = sites.error)) {
        return p;
    }
    const bool named = !request.selection.names.isEmpty();
    for (const Site& site : sites.value) {
        DeployTarget t;
        t.site = site;
        if ((p.error = aimAt(store, t, values.carried(), request.layout))) {
            return p;
        }
        markUnreachable(t, request.link.place(), named);
        p.sites.append(t);
    }
    return p;
}

} // namespace fleet
