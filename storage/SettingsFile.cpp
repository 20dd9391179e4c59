#include "storage/SettingsFile.h"

#include "storage/AtomicWrite.h"
#include "storage/FieldReader.h"

#include <QFile>

namespace storage {

QByteArray formatSettingsFile(quint8 portNo)
{
    return printedLine(portNo);
}

std::optional<FileError> writeSettingsFile(const QString& path, quint8 portNo)
{
    return writeFileAtomically(path, formatSettingsFile(portNo));
}

std::optional<quint8> readSettingsFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    FieldReader reader(file);
    quint8 portNo = 0;
    if (reader.next(portNo)) {
        return std::nullopt;
    }
    return portNo;
}

} // namespace storage
