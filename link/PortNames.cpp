#include "link/PortNames.h"

#include "link/LinkOwner.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace lnk {
namespace {

QString resolved(const QString& path)
{
    // canonicalFilePath follows every link and is empty when the target does not exist.
    return QFileInfo(path).canonicalFilePath();
}

#ifndef Q_OS_WIN
// The system's own device for a number, before any ports/ link is considered.
QString systemDevice(int portNo)
{
    return QStringLiteral("/dev/ttyS%1").arg(portNo - 1);
}

std::optional<int> systemNumber(const QString& location)
{
    static const QRegularExpression ttyS(QStringLiteral("^/dev/ttyS(\\d+)$"));
    const QRegularExpressionMatch m = ttyS.match(location);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const int n = m.captured(1).toInt(&ok) + 1;
    return ok && n <= kMaxPortNo ? std::optional<int>(n) : std::nullopt;
}
#else
std::optional<int> systemNumber(const QString& name)
{
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(name);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    return ok && n <= kMaxPortNo ? std::optional<int>(n) : std::nullopt;
}
#endif

} // namespace

QString portLinkPath(int portNo, const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("ports/COM%1").arg(portNo));
}

QString portDevice(int portNo, const QString& programDir)
{
    if (portNo < 1 || portNo > kMaxPortNo) {
        return {};
    }
#ifdef Q_OS_WIN
    Q_UNUSED(programDir);
    // Upper case: the serial layer compares port names case-sensitively.
    return QStringLiteral("COM%1").arg(portNo);
#else
    const QString link = portLinkPath(portNo, programDir);
    const QFileInfo info(link);
    if (info.exists() || info.isSymLink()) {
        return ownerGone(link) ? QString() : resolved(link);
    }
    return systemDevice(portNo);
#endif
}

QList<PortLink> portLinks(const QString& programDir)
{
    QList<PortLink> links;
    const QDir dir(QDir(programDir).filePath(QStringLiteral("ports")));
    if (!dir.exists()) {
        return links;
    }
    static const QRegularExpression name(QStringLiteral("^COM(\\d+)$"));
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        const QRegularExpressionMatch m = name.match(e.fileName());
        if (!m.hasMatch()) {
            continue;
        }
        const int n = m.captured(1).toInt();
        if (n < 1 || n > kMaxPortNo) {
            continue;
        }
        PortLink l;
        l.portNo = n;
        l.linkPath = e.filePath();
        l.target = e.isSymLink() ? e.symLinkTarget() : e.filePath();
        l.device = resolved(e.filePath());
        l.stale = ownerGone(e.filePath());
        links.append(l);
    }
    std::sort(links.begin(), links.end(),
              [](const PortLink& a, const PortLink& b) { return a.portNo < b.portNo; });
    return links;
}

std::optional<int> portNumberOf(const QString& systemLocation, const QString& programDir)
{
#ifdef Q_OS_WIN
    Q_UNUSED(programDir);
    return systemNumber(systemLocation.section(QRegularExpression(QStringLiteral("[\\\\/]")), -1));
#else
    const QString device = resolved(systemLocation);
    const QList<PortLink> links = portLinks(programDir);
    for (const PortLink& l : links) {
        if (!device.isEmpty() && !l.stale && l.device == device) {
            return l.portNo;
        }
    }
    const std::optional<int> n = systemNumber(systemLocation);
    if (!n) {
        return std::nullopt;
    }
    // A link of the same number reaches another device instead.
    const bool taken =
        std::any_of(links.begin(), links.end(), [&](const PortLink& l) { return l.portNo == *n; });
    return taken ? std::nullopt : n;
#endif
}

QList<SystemPort> systemPorts(const QString& programDir)
{
    QList<SystemPort> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& i : infos) {
        SystemPort p;
        p.name = i.portName();
        p.location = i.systemLocation();
        p.description = i.description();
        p.manufacturer = i.manufacturer();
        p.portNo = portNumberOf(p.location, programDir);
        ports.append(p);
    }
    std::sort(ports.begin(), ports.end(), [](const SystemPort& a, const SystemPort& b) {
        return a.portNo.value_or(kMaxPortNo + 1) < b.portNo.value_or(kMaxPortNo + 1);
    });
    return ports;
}

} // namespace lnk
