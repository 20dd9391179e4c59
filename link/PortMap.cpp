#include "link/PortMap.h"

#include "link/IniSection.h"
#include "link/PortNames.h"
#include "link/Printable.h"
#include "storage/AtomicWrite.h"
#include "storage/SmallFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace lnk {
namespace {

const QString kSection = QStringLiteral("ports");

bool isDevicePath(const QString& text)
{
#ifdef Q_OS_WIN
    static const QRegularExpression com(QStringLiteral("^(\\\\\\\\\\.\\\\)?COM\\d+$"),
                                        QRegularExpression::CaseInsensitiveOption);
    return com.match(text).hasMatch();
#else
    return text.startsWith(QLatin1Char('/'));
#endif
}

// Why the bounded reader refused what is at the path, in the operator's words.
QString refusal(const QString& path, const storage::FileError& error)
{
    if (error.kind != storage::FileErrorKind::PathFileAccess) {
        return error.description();
    }
    const QFileInfo info(path);
    if (info.isFile() && info.size() > storage::kSmallFileLimit) {
        return QStringLiteral("larger than %1 KiB").arg(storage::kSmallFileLimit / 1024);
    }
    return info.isFile() ? error.description() : QStringLiteral("not a regular file");
}

struct Loaded
{
    PortMap map;
    QByteArray bytes;
};

Loaded load(const QString& dataDir)
{
    Loaded l;
    l.map.path = portMapPath(dataDir);
    const storage::FileResult<QByteArray> read = storage::readSmallFile(l.map.path);
    if (!read.ok()) {
        const storage::FileErrorKind kind = read.error->kind;
        l.map.exists = kind != storage::FileErrorKind::FileNotFound &&
                       kind != storage::FileErrorKind::PathNotFound;
        if (l.map.exists) {
            l.map.error = refusal(l.map.path, *read.error);
        }
        return l;
    }
    l.map.exists = true;
    l.bytes = read.value;
    const ini::Parsed parsed = ini::parse(read.value);
    if (!parsed.error.isEmpty()) {
        l.map.error = parsed.error;
        return l;
    }
    static const QRegularExpression key(QStringLiteral("^ports/COM(\\d{1,3})$"));
    for (const ini::Entry& e : parsed.entries) {
        const QRegularExpressionMatch m = key.match(e.key);
        const int n = m.hasMatch() ? m.captured(1).toInt() : -1;
        if (n < 0 || n > kMaxPortNo) {
            continue;
        }
        auto same = [n](const PortMapEntry& x) { return x.portNo == n; };
        l.map.entries.erase(std::remove_if(l.map.entries.begin(), l.map.entries.end(), same),
                            l.map.entries.end());
        l.map.entries.append({n, e.value});
    }
    std::sort(l.map.entries.begin(), l.map.entries.end(),
              [](const PortMapEntry& a, const PortMapEntry& b) { return a.portNo < b.portNo; });
    return l;
}

} // namespace

PortAddress parsePortAddress(const QString& text)
{
    PortAddress a;
    const QString t = text.trimmed();
    if (hasNetworkScheme(t)) {
        const ParsedAddress parsed = parseNetworkAddress(t);
        a.network = parsed.address;
        a.error = parsed.error;
    } else if (isDevicePath(t)) {
        a.device = t;
    } else {
        a.error = QStringLiteral("\"%1\" is neither a device path nor a tcp:// or rfc2217:// "
                                 "address")
                      .arg(text);
    }
    return a;
}

QString PortMap::message() const
{
    return printable(QStringLiteral("%1: %2").arg(path, error));
}

std::optional<QString> PortMap::addressOf(int portNo) const
{
    for (const PortMapEntry& e : entries) {
        if (e.portNo == portNo) {
            return e.address;
        }
    }
    return std::nullopt;
}

QString portMapPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("ports.ini"));
}

PortMap loadPortMap(const QString& dataDir)
{
    return load(dataDir).map;
}

QList<PortMapEntry> readPortMap(const QString& dataDir)
{
    const PortMap map = loadPortMap(dataDir);
    return map.usable() ? map.entries : QList<PortMapEntry>();
}

std::optional<QString> mappedAddress(int portNo, const QString& dataDir)
{
    const PortMap map = loadPortMap(dataDir);
    return map.usable() ? map.addressOf(portNo) : std::nullopt;
}

std::optional<QString> writePortMapEntry(const QString& dataDir, int portNo, const QString& address)
{
    const QString text = address.trimmed();
    if (!text.isEmpty()) {
        if (const PortAddress a = parsePortAddress(text); !a.usable()) {
            return printable(a.error);
        }
    }
    const Loaded l = load(dataDir);
    if (!l.map.usable()) {
        return l.map.message();
    }
    if (text.isEmpty() && !l.map.addressOf(portNo)) {
        return std::nullopt; // nothing to remove: the file stays as it is
    }
    // Keys in the order the settings classes keep them: by name.
    QList<std::pair<QString, QString>> keys;
    for (const PortMapEntry& e : l.map.entries) {
        if (e.portNo != portNo) {
            keys.append({QStringLiteral("COM%1").arg(e.portNo), e.address});
        }
    }
    if (!text.isEmpty()) {
        keys.append({QStringLiteral("COM%1").arg(portNo), text});
    }
    std::sort(keys.begin(), keys.end());
    const QByteArray bytes = ini::withSection(l.bytes, kSection, keys);
    if (const auto error = storage::writeFileAtomically(l.map.path, bytes)) {
        return printable(QStringLiteral("%1: %2").arg(l.map.path, error->description()));
    }
    return std::nullopt;
}

} // namespace lnk
