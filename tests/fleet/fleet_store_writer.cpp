// A second process writing into a fleet store, for the tests of writers at once and of a writer
// killed halfway: records count changed versions of one site and prints "stored N" after each
// commit.
//   fleet_store_writer STORE-URL SITE PORT RANGES COUNT
#include "fleet/Store.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 6) {
        std::fprintf(stderr, "usage: fleet_store_writer STORE SITE PORT RANGES COUNT\n");
        return 2;
    }
    const fleet::LocationParse where = fleet::parseStoreUrl(a[1]);
    if (!where.location) {
        std::fprintf(stderr, "%s\n", qPrintable(where.error));
        return 2;
    }
    fleet::Store store(*where.location);
    const fleet::StoreResult<fleet::Site> added = store.addSite(a[2], a[3]);
    if (!added.ok() && added.error->kind != fleet::StoreErrorKind::NameTaken &&
        added.error->kind != fleet::StoreErrorKind::PortTaken) {
        std::fprintf(stderr, "%s\n", qPrintable(added.error->message));
        return 1;
    }
    const int ranges = a[4].toInt();
    const int count = a[5].toInt();
    for (int i = 0; i < count; ++i) {
        // Gate counts up and ranges tells the writers apart: each version differs from the one
        // before it, whoever wrote that.
        fleet::Attempt attempt;
        fleet::NewVersion v;
        v.values[model::index(model::Member::gate)] = i % 256;
        v.values[model::index(model::Member::ranges)] = ranges;
        v.values[model::index(model::Member::bassrel)] = i / 256 % 256;
        v.by = QStringLiteral("writer@test");
        attempt.taken = v;
        const fleet::StoreResult<fleet::Recorded> r = store.record(a[2], attempt);
        if (!r.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(r.error->message));
            return 1;
        }
        std::printf("stored %d\n", r.value.version);
        std::fflush(stdout);
    }
    return 0;
}
