#include "link/PortMap.h"

#include "storage/SmallFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>

namespace lnk {
namespace {

constexpr int kMaxPortNo = 255;
const QString kGroup = QStringLiteral("ports");

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

// Qt's INI reader opens whatever is at the path: a FIFO there would hang the panel. Only a
// small regular file is given to it.
bool fileUsable(const QString& path)
{
    return storage::readSmallFile(path).ok();
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

QString portMapPath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("ports.ini"));
}

QList<PortMapEntry> readPortMap(const QString& dataDir)
{
    QList<PortMapEntry> entries;
    const QString path = portMapPath(dataDir);
    if (!fileUsable(path)) {
        return entries;
    }
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(kGroup);
    static const QRegularExpression key(QStringLiteral("^COM(\\d{1,3})$"));
    const QStringList keys = ini.childKeys();
    for (const QString& k : keys) {
        const QRegularExpressionMatch m = key.match(k);
        const int n = m.hasMatch() ? m.captured(1).toInt() : -1;
        if (n < 0 || n > kMaxPortNo) {
            continue;
        }
        entries.append({n, ini.value(k).toString()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortMapEntry& a, const PortMapEntry& b) { return a.portNo < b.portNo; });
    return entries;
}

std::optional<QString> mappedAddress(int portNo, const QString& dataDir)
{
    for (const PortMapEntry& e : readPortMap(dataDir)) {
        if (e.portNo == portNo) {
            return e.address;
        }
    }
    return std::nullopt;
}

std::optional<QString> writePortMapEntry(const QString& dataDir, int portNo, const QString& address)
{
    const QString path = portMapPath(dataDir);
    const QString text = address.trimmed();
    if (!text.isEmpty()) {
        if (const PortAddress a = parsePortAddress(text); !a.usable()) {
            return a.error;
        }
    }
    if (text.isEmpty() && !mappedAddress(portNo, dataDir)) {
        return std::nullopt; // nothing to remove: the file stays as it is
    }
    if (QFileInfo::exists(path) && !fileUsable(path)) {
        return QStringLiteral("%1 is not a file that can be read").arg(path);
    }
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(kGroup);
    const QString key = QStringLiteral("COM%1").arg(portNo);
    if (text.isEmpty()) {
        ini.remove(key);
    } else {
        ini.setValue(key, text);
    }
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        return QStringLiteral("%1 could not be written").arg(path);
    }
    return std::nullopt;
}

} // namespace lnk
