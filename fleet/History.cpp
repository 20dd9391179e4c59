#include "fleet/History.h"

#include "storage/ParameterFile.h"

#include <map>

namespace fleet {

StoreResult<QList<HistoryEntry>> history(Store& store, const QString& site)
{
    StoreResult<QList<HistoryEntry>> r;
    const StoreResult<QList<Version>> versions = store.versions(site);
    if ((r.error = versions.error)) {
        return r;
    }
    std::map<lnk::Layout, const Version*> previous;
    for (const Version& v : versions.value) {
        HistoryEntry e{v, std::nullopt};
        if (const auto it = previous.find(v.layout); it != previous.end()) {
            e.differences = int(session::differences(it->second->carried(), v.carried()).size());
        }
        previous[v.layout] = &v;
        r.value.append(e);
    }
    return r;
}

Values exportValues(const Version& version, const Values& base)
{
    return version.carried().over(base);
}

ExportResult exportVersion(Store& store, const QString& site, int number, const QString& output,
                           const QString& basePath)
{
    ExportResult r;
    const StoreResult<Version> v = store.version(site, number);
    if ((r.error = v.error)) {
        return r;
    }
    model::ParameterSet base;
    base.restore(initialValues());
    if (!basePath.isEmpty()) {
        if (const std::optional<storage::FileError> e =
                storage::readParameterFile(basePath, base)) {
            r.baseError = QStringLiteral("%1: %2").arg(basePath, e->description());
            return r;
        }
    }
    model::ParameterSet out;
    if (!out.restore(exportValues(v.value, base.values()))) {
        r.writeError = QStringLiteral("%1: values out of range").arg(output);
        return r;
    }
    if (const std::optional<storage::FileError> e = storage::writeParameterFile(output, out)) {
        r.writeError = QStringLiteral("%1: %2").arg(output, e->description());
    }
    return r;
}

} // namespace fleet
