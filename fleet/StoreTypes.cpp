#include "fleet/StoreTypes.h"

#include "link/Printable.h"

#include <QRegularExpression>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace fleet {

Values initialValues()
{
    Values v{};
    for (const model::MemberInfo& i : model::members()) {
        v[model::index(i.member)] = i.initial;
    }
    return v;
}

QString layoutName(lnk::Layout layout)
{
    return layout == lnk::Layout::Day ? QStringLiteral("day") : QStringLiteral("night");
}

std::optional<lnk::Layout> layoutByName(const QString& name)
{
    if (name == QLatin1String("day")) {
        return lnk::Layout::Day;
    }
    if (name == QLatin1String("night")) {
        return lnk::Layout::Night;
    }
    return std::nullopt;
}

QString sourceName(Source source)
{
    switch (source) {
    case Source::Backup:
        return QStringLiteral("backup");
    case Source::Panel:
        return QStringLiteral("panel");
    case Source::Cli:
        return QStringLiteral("cli");
    case Source::Restore:
        return QStringLiteral("restore");
    case Source::Deploy:
        return QStringLiteral("deploy");
    }
    return QStringLiteral("backup");
}

std::optional<Source> sourceByName(const QString& name)
{
    for (const Source s :
         {Source::Backup, Source::Panel, Source::Cli, Source::Restore, Source::Deploy}) {
        if (sourceName(s) == name) {
            return s;
        }
    }
    return std::nullopt;
}

QString currentActor()
{
    QString user;
#ifdef Q_OS_UNIX
    // The account the process runs as, not what the environment claims (sudo keeps USER).
    if (const passwd* pw = getpwuid(geteuid())) {
        user = QString::fromLocal8Bit(pw->pw_name);
    }
#endif
    if (user.isEmpty()) {
        user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME", QStringLiteral("?")));
    }
    return user + QLatin1Char('@') + QSysInfo::machineHostName();
}

QString nameProblem(const QString& name, const QString& what)
{
    static const QRegularExpression allowed(
        QStringLiteral("^[A-Za-z0-9._-]([A-Za-z0-9 ._-]{0,62}[A-Za-z0-9._-])?$"));
    if (name.isEmpty()) {
        return QStringLiteral("the %1 is empty").arg(what);
    }
    if (name.size() > 64) {
        return QStringLiteral("the %1 \"%2\" is longer than 64 characters")
            .arg(what, lnk::printable(name));
    }
    if (!allowed.match(name).hasMatch()) {
        return QStringLiteral("the %1 \"%2\" may hold only ASCII letters, digits, space, '.', '_' "
                              "and '-', and neither start nor end with a space")
            .arg(what, lnk::printable(name));
    }
    return {};
}

StoreError siteRemoved(const QString& site)
{
    return {StoreErrorKind::SiteRemoved,
            QStringLiteral("%1: site removed").arg(lnk::printable(site))};
}

std::optional<StoreError> notLocal(const Site& site, const Place& place)
{
    const QString why = notLocalHere(site.port, site.owner, place);
    if (why.isEmpty()) {
        return std::nullopt;
    }
    return StoreError{StoreErrorKind::NotLocal,
                      QStringLiteral("%1: %2").arg(lnk::printable(site.name), why)};
}

SiteState siteState(const SiteStatus& status)
{
    if (status.failures > 0) {
        return SiteState::Failed;
    }
    return status.lastSuccess ? SiteState::Ok : SiteState::Never;
}

QString stateWord(SiteState state)
{
    switch (state) {
    case SiteState::Ok:
        return QStringLiteral("ok");
    case SiteState::Failed:
        return QStringLiteral("failed");
    case SiteState::Never:
        break;
    }
    return QStringLiteral("never backed up");
}

} // namespace fleet
