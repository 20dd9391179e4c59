#include "session/PortAccess.h"

#include "link/PortMap.h"
#include "storage/DataFolder.h"
#include "storage/SettingsFile.h"

#include <QDir>

#include <QFileInfo>
#include <QRegularExpression>

namespace session {
namespace {

// Everything but letters, digits, dot, minus and underscore is unwelcome somewhere in a path.
QString safe(QString text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return text.replace(unsafe, QStringLiteral("_"));
}

} // namespace

QString dataFolder(const QString& programDir)
{
    return storage::chooseDataDir(programDir);
}

QString settingsFilePath(const QString& dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("ORVEXFM.INI"));
}

lnk::PortRef settingsPort(const QString& dataDir)
{
    const std::optional<quint8> stored = storage::readSettingsFile(settingsFilePath(dataDir));
    return {stored ? int{*stored} : 1, {}};
}

lnk::PortListing portListing(const QString& dataDir)
{
    return lnk::listPorts(dataDir);
}

QString portFileName(const lnk::PortRef& port)
{
    if (port.isNumber()) {
        return port.name();
    }
    const lnk::PortAddress address = lnk::parsePortAddress(port.address);
    if (address.network) {
        return safe(QStringLiteral("%1-%2").arg(address.network->host).arg(address.network->port));
    }
    return safe(QFileInfo(port.address).fileName());
}

} // namespace session
