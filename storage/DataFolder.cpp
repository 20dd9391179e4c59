#include "storage/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace storage {

bool isWritableFolder(const QString& dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".orvexdab-probe-XXXXXX")));
    return probe.open();
}

QString chooseDataDir(const QString& programDir)
{
    if (isWritableFolder(programDir)) {
        return QDir::toNativeSeparators(programDir);
    }
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (perUser.isEmpty() || !QDir().mkpath(perUser)) {
        // Nowhere better to go: reading still works, and each failed write is reported.
        return QDir::toNativeSeparators(programDir);
    }
    return QDir::toNativeSeparators(perUser);
}

} // namespace storage
