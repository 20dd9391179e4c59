#include "storage/SettingsFile.h"

#include "storage/AtomicWrite.h"
#include "storage/FieldReader.h"
#include "storage/SmallFile.h"

#include <QBuffer>

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
    FileResult<QByteArray> content = readSmallFile(path);
    if (!content.ok()) {
        return std::nullopt;
    }
    QBuffer buffer(&content.value);
    buffer.open(QIODevice::ReadOnly);
    FieldReader reader(buffer);
    quint8 portNo = 0;
    if (reader.next(portNo)) {
        return std::nullopt;
    }
    return portNo;
}

} // namespace storage
