#include "cli/PortSpec.h"

#include "session/PortAccess.h"
#include "storage/SmallFile.h"

#include <QSet>

namespace cli {

storage::FileResult<QStringList> readPortsFile(const QString& path)
{
    storage::FileResult<QStringList> result;
    const storage::FileResult<QByteArray> content = storage::readSmallFile(path);
    if (!content.ok()) {
        result.error = content.error;
        return result;
    }
    const QStringList lines = QString::fromUtf8(content.value).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString port = line.section(QLatin1Char('#'), 0, 0).trimmed();
        if (!port.isEmpty()) {
            result.value << port;
        }
    }
    return result;
}

PortsExpansion expandPorts(const QList<PortSource>& sources)
{
    PortsExpansion expansion;
    QSet<QString> seen;
    const auto add = [&](const QString& text, const QString& where) {
        const PortParse parsed = parsePort(text);
        if (!parsed.error.isEmpty()) {
            expansion.error = where + parsed.error;
        } else if (seen.contains(parsed.port.name())) {
            expansion.error = where + QStringLiteral("port %1 given twice").arg(parsed.port.name());
        } else {
            seen.insert(parsed.port.name());
            expansion.ports.append(parsed.port);
        }
        return expansion.error.isEmpty();
    };
    for (const PortSource& source : sources) {
        if (!source.isFile) {
            if (!add(source.text, {})) {
                return expansion;
            }
            continue;
        }
        const storage::FileResult<QStringList> lines = readPortsFile(source.text);
        if (!lines.ok()) {
            expansion.error = QStringLiteral("%1: %2").arg(source.text, lines.error->description());
            return expansion;
        }
        if (lines.value.isEmpty()) {
            expansion.error = QStringLiteral("%1: no port in the file").arg(source.text);
            return expansion;
        }
        for (const QString& line : lines.value) {
            if (!add(line, source.text + QStringLiteral(": "))) {
                return expansion;
            }
        }
    }
    return expansion;
}

QString fileSafeName(const lnk::PortRef& port)
{
    return session::portFileName(port);
}

QString outputPathFor(const QString& pattern, const lnk::PortRef& port)
{
    return QString(pattern).replace(QLatin1String(kPortPlaceholder), fileSafeName(port));
}

} // namespace cli
