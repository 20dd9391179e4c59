#include "storage/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace storage {
namespace {

bool isInstalledProgramDir(const QString& programDir, const QStringList& installDirs)
{
    const QString program = QFileInfo(programDir).canonicalFilePath();
    if (program.isEmpty()) {
        return false;
    }
    for (const QString& dir : installDirs) {
        if (!dir.isEmpty() && QFileInfo(dir).canonicalFilePath() == program) {
            return true;
        }
    }
    return false;
}

} // namespace

QStringList installedProgramDirs()
{
    return {QStringLiteral(ORVEX_INSTALL_BINDIR), QStringLiteral(ORVEX_PACKAGE_BINDIR)};
}

bool isWritableFolder(const QString& dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) {
        return false;
    }
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".orvexdab-probe-XXXXXX")));
    return probe.open();
}

QString chooseDataDir(const QString& programDir, const QStringList& installDirs)
{
    const bool installed = isInstalledProgramDir(programDir, installDirs);
    if (!installed && isWritableFolder(programDir)) {
        return QDir::toNativeSeparators(programDir);
    }
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (perUser.isEmpty() || (!QDir().mkpath(perUser) && !installed)) {
        // Nowhere better to go: reading still works, and each failed write is reported. An
        // installed program keeps out of the system's folder even then.
        return QDir::toNativeSeparators(programDir);
    }
    return QDir::toNativeSeparators(perUser);
}

} // namespace storage
