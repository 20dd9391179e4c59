#include "fleet/StoreLocation.h"

#include "link/Printable.h"
#include "storage/SmallFile.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace fleet {
namespace {

const QString kMask = QStringLiteral("***");

LocationParse refused(const QString& url, const QString& why)
{
    return {std::nullopt,
            QStringLiteral("store \"%1\": %2").arg(lnk::printable(shownAddress(url)), why)};
}

bool namesASecret(const QString& key)
{
    return key.trimmed().toLower().endsWith(QLatin1String("password"));
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

// The settings a postgresql:// address takes besides host=; each is a file name or a word the
// client checks itself.
bool takeSetting(StoreLocation& l, const QString& key, const QString& value)
{
    static const QStringList modes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                   QStringLiteral("prefer"),    QStringLiteral("require"),
                                   QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    if (key == QLatin1String("host")) {
        l.host = value;
    } else if (key == QLatin1String("sslmode") && modes.contains(value)) {
        l.tls.mode = value;
    } else if (key == QLatin1String("sslrootcert")) {
        l.tls.rootCert = value;
    } else if (key == QLatin1String("sslcert")) {
        l.tls.cert = value;
    } else if (key == QLatin1String("sslkey")) {
        l.tls.key = value;
    } else if (key == QLatin1String("sslcrl")) {
        l.tls.crl = value;
    } else {
        return false;
    }
    return true;
}

} // namespace

StoreBounds StoreBounds::forCheck()
{
    StoreBounds b;
    b.connectSeconds = 5;
    b.lockMs = 3000;
    b.statementMs = 3000;
    b.busyMs = 2000;
    return b;
}

QString shownAddress(const QString& url)
{
    QString text = url;
    const qsizetype scheme = text.indexOf(QLatin1String("://"));
    if (scheme < 0) {
        return text;
    }
    const qsizetype authority = scheme + 3;
    qsizetype queryAt = text.indexOf(QLatin1Char('?'), authority);
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'), queryAt < 0 ? -1 : queryAt - 1);
    if (at >= authority) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'), authority);
        if (colon >= 0 && colon < at) {
            text.replace(colon + 1, at - colon - 1, kMask);
        }
    }
    queryAt = text.indexOf(QLatin1Char('?'), authority);
    if (queryAt < 0) {
        return text;
    }
    QStringList items = text.mid(queryAt + 1).split(QLatin1Char('&'));
    for (QString& item : items) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString key = QUrl::fromPercentEncoding(item.left(eq).toUtf8());
        if (eq >= 0 && namesASecret(key)) {
            item = item.left(eq + 1) + kMask;
        }
    }
    return text.left(queryAt + 1) + items.join(QLatin1Char('&'));
}

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
    QStringList settings;
    if (host.startsWith(QLatin1Char('/'))) {
        settings << QStringLiteral("host=") + host;
    }
    const std::pair<const char*, const QString*> tlsSettings[] = {{"sslmode", &tls.mode},
                                                                  {"sslrootcert", &tls.rootCert},
                                                                  {"sslcert", &tls.cert},
                                                                  {"sslkey", &tls.key},
                                                                  {"sslcrl", &tls.crl}};
    for (const auto& [key, value] : tlsSettings) {
        if (!value->isEmpty()) {
            settings << QLatin1String(key) + QLatin1Char('=') + *value;
        }
    }
    if (!settings.isEmpty()) {
        text += QLatin1Char('?') + settings.join(QLatin1Char('&'));
    }
    return shownAddress(text);
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
        if (namesASecret(key)) {
            return refused(url, QStringLiteral("%1 does not belong in the address: no secret is "
                                               "kept in the program's files")
                                    .arg(key));
        }
        // The settings reach the client as one line of words separated by blanks and ';'.
        if (value.contains(QLatin1Char(';'))) {
            return refused(url, QStringLiteral("%1 contains a ';'").arg(key));
        }
        if (!takeSetting(l, key, value)) {
            return refused(url, key.startsWith(QLatin1String("sslmode"))
                                    ? QStringLiteral("sslmode %1 is not one of disable, allow, "
                                                     "prefer, require, verify-ca, verify-full")
                                          .arg(value)
                                    : QStringLiteral("unknown setting %1").arg(key));
        }
    }
    if (l.database.isEmpty() || l.database.contains(QLatin1Char('/'))) {
        return refused(url, QStringLiteral("no database name"));
    }
    return {l, {}};
}

LocationParse storeLocationFor(const QString& dataDir, const QString& url)
{
    if (!url.isEmpty()) {
        // Given on the command line: a relative path is the shell user's, from where they are.
        return parseStoreUrl(url);
    }
    const QString ini = QDir(dataDir).filePath(QLatin1String(kFleetIniName));
    const storage::FileResult<QByteArray> content = storage::readSmallFile(ini);
    if (content.ok()) {
        if (const std::optional<QString> named = iniStoreUrl(QString::fromUtf8(content.value))) {
            // Written in the file, a relative path is taken from the folder that holds the file,
            // wherever the command runs.
            const QString sqlite = QStringLiteral("sqlite:");
            QString text = *named;
            if (text.startsWith(sqlite) && text.size() > sqlite.size() &&
                QFileInfo(text.mid(sqlite.size())).isRelative()) {
                text = sqlite + QDir(dataDir).absoluteFilePath(text.mid(sqlite.size()));
            }
            LocationParse parsed = parseStoreUrl(text);
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
