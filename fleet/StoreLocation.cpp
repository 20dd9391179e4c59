#include "fleet/StoreLocation.h"

#include "link/Printable.h"
#include "storage/SmallFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace fleet {
namespace {

LocationParse refused(const QString& url, const QString& why)
{
    return {std::nullopt, QStringLiteral("store \"%1\": %2").arg(lnk::printable(url), why)};
}

// [store] url= of an INI text; nothing when the section or key is missing.
std::optional<QString> iniStoreUrl(const QString& text)
{
    QString section;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (section == QLatin1String("store") && eq > 0 &&
            line.left(eq).trimmed().toLower() == QLatin1String("url")) {
            return line.mid(eq + 1).trimmed();
        }
    }
    return std::nullopt;
}

} // namespace

QString StoreLocation::display() const
{
    if (kind == StoreKind::Sqlite) {
        return path;
    }
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty()) {
        text += user + QLatin1Char('@');
    }
    if (!host.startsWith(QLatin1Char('/'))) {
        text += host;
    }
    if (port >= 0) {
        text += QLatin1Char(':') + QString::number(port);
    }
    text += QLatin1Char('/') + database;
    if (host.startsWith(QLatin1Char('/'))) {
        text += QStringLiteral("?host=") + host;
    }
    return text;
}

LocationParse parseStoreUrl(const QString& url)
{
    const QString text = url.trimmed();
    if (text.startsWith(QLatin1String("sqlite:"))) {
        const QString path = text.mid(7);
        if (path.isEmpty()) {
            return refused(url, QStringLiteral("no file after sqlite:"));
        }
        StoreLocation l;
        l.path = QFileInfo(path).absoluteFilePath();
        return {l, {}};
    }
    if (!text.startsWith(QLatin1String("postgresql://"))) {
        return refused(url, QStringLiteral("not sqlite:PATH or postgresql://"));
    }
    const QUrl u(text, QUrl::StrictMode);
    if (!u.isValid()) {
        return refused(url, QStringLiteral("not a valid address"));
    }
    if (!u.password().isEmpty()) {
        return refused(url, QStringLiteral("a password does not belong in the address: the "
                                           "database client reads it from its own places"));
    }
    StoreLocation l;
    l.kind = StoreKind::Postgres;
    l.user = u.userName();
    l.host = u.host();
    l.port = u.port(-1);
    l.database = u.path().mid(1);
    const QUrlQuery query(u);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != QLatin1String("host")) {
            return refused(url, QStringLiteral("unknown setting %1").arg(key));
        }
        l.host = value;
    }
    if (l.database.isEmpty() || l.database.contains(QLatin1Char('/'))) {
        return refused(url, QStringLiteral("no database name"));
    }
    return {l, {}};
}

LocationParse storeLocationFor(const QString& dataDir, const QString& url)
{
    if (!url.isEmpty()) {
        return parseStoreUrl(url);
    }
    const QString ini = QDir(dataDir).filePath(QLatin1String(kFleetIniName));
    const storage::FileResult<QByteArray> content = storage::readSmallFile(ini);
    if (content.ok()) {
        if (const std::optional<QString> named = iniStoreUrl(QString::fromUtf8(content.value))) {
            LocationParse parsed = parseStoreUrl(*named);
            if (!parsed.location) {
                parsed.error = ini + QStringLiteral(": ") + parsed.error;
            }
            return parsed;
        }
    } else if (content.error->kind != storage::FileErrorKind::FileNotFound) {
        return {std::nullopt, QStringLiteral("%1: %2").arg(ini, content.error->description())};
    }
    StoreLocation l;
    l.path = QDir(dataDir).filePath(QLatin1String(kStoreFileName));
    return {l, {}};
}

} // namespace fleet
