#include "session/PanelSession.h"

#include "storage/AtomicWrite.h"
#include "storage/ParameterFile.h"
#include "storage/SettingsFile.h"
#include "storage/TextExport.h"

#include <QDir>
#include <QFileInfo>

namespace session {
namespace {

const QString kBackupSuffix = QStringLiteral(".bak");

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

} // namespace

QString PanelSession::workingFilePath() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("actual.DAB"));
}

QString PanelSession::settingsFilePath() const
{
    return QDir(m_dataDir).filePath(QStringLiteral("ORVEXFM.INI"));
}

QString PanelSession::presetFilePath(int n) const
{
    return QDir(m_dataDir).filePath(QStringLiteral("preset%1.DAB").arg(n));
}

QString PanelSession::exportFilePath() const
{
    if (!m_env.exportPath.isEmpty()) {
        return m_env.exportPath;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\OrvexDAB.txt");
#else
    // No drive C: here; the user's home folder is the one place every user can write.
    return QDir(QDir::homePath()).filePath(QStringLiteral("OrvexDAB.txt"));
#endif
}

void PanelSession::readSettings()
{
    m_portNo = 1;
    m_portAddress.clear();
    if (const std::optional<quint8> stored = storage::readSettingsFile(settingsFilePath())) {
        m_portNo = *stored;
    }
}

std::optional<storage::FileError> PanelSession::writeSettings() const
{
    return storage::writeSettingsFile(settingsFilePath(), static_cast<quint8>(m_portNo));
}

std::optional<storage::FileError> PanelSession::readParameterFile(const QString& path)
{
    const std::optional<storage::FileError> error = storage::readParameterFile(path, m_params);
    if (samePath(path, workingFilePath())) {
        m_keepWorkingBackup = error.has_value() && QFileInfo(path).isFile();
    }
    return error;
}

std::optional<storage::FileError> PanelSession::writeParameterFile(const QString& path)
{
    const bool working = samePath(path, workingFilePath());
    std::optional<storage::FileError> error;
    if (working && m_keepWorkingBackup && QFileInfo(path).isFile()) {
        error = storage::copyFileAtomically(path, path + kBackupSuffix);
    }
    if (!error) {
        error = storage::writeParameterFile(path, m_params);
    }
    if (!error && working) {
        m_keepWorkingBackup = false;
    }
    return error;
}

std::optional<storage::FileError> PanelSession::exportText() const
{
    return storage::writeTextExport(exportFilePath(), m_params);
}

} // namespace session
