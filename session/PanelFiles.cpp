#include "session/PanelSession.h"

#include "link/PortMap.h"
#include "storage/AtomicWrite.h"
#include "storage/ParameterFile.h"
#include "storage/SetAside.h"
#include "storage/SettingsFile.h"
#include "storage/TextExport.h"

#include <QDir>
#include <QFileInfo>

namespace session {
namespace {

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
    const std::optional<quint8> stored = storage::readSettingsFile(settingsFilePath());
    setPortNo(stored ? int(*stored) : 1);
}

std::optional<storage::FileError> PanelSession::writeSettings() const
{
    return storage::writeSettingsFile(settingsFilePath(), static_cast<quint8>(m_portNo));
}

std::optional<storage::FileError> PanelSession::readParameterFile(const QString& path)
{
    return storage::readParameterFile(path, m_params);
}

PanelSession::WorkingFileLoad PanelSession::loadWorkingFile()
{
    WorkingFileLoad load;
    const QString path = workingFilePath();
    load.error = storage::readParameterFile(path, m_params);
    const QFileInfo file(path);
    if (!load.error || (!file.exists() && !file.isSymLink())) {
        return load; // loaded, or a first run: nothing to keep
    }
    const storage::FileResult<QString> moved = storage::setAside(path);
    load.setAsideAs = moved.value;
    load.setAsideError = moved.error;
    m_damagedWorkingFileInPlace = !moved.ok();
    return load;
}

std::optional<storage::FileError> PanelSession::writeParameterFile(const QString& path)
{
    if (m_damagedWorkingFileInPlace && samePath(path, workingFilePath())) {
        const storage::FileResult<QString> moved = storage::setAside(path);
        if (!moved.ok() && QFileInfo(path).exists()) {
            return moved.error; // the damaged file is the only copy: it is not written over
        }
        m_damagedWorkingFileInPlace = false;
    }
    return storage::writeParameterFile(path, m_params);
}

std::optional<storage::FileError> PanelSession::exportText() const
{
    return storage::writeTextExport(exportFilePath(), m_params);
}

storage::FileResult<model::ParameterSet::Values>
PanelSession::peekParameterFile(const QString& path) const
{
    model::ParameterSet file;
    storage::FileResult<model::ParameterSet::Values> read;
    read.error = storage::readParameterFile(path, file);
    read.value = file.values();
    return read;
}

std::optional<storage::FileError> PanelSession::writeTextFile(const QString& path,
                                                              const QByteArray& bytes) const
{
    return storage::writeFileAtomically(path, bytes);
}

lnk::PortListing PanelSession::portListing() const
{
    return lnk::listPorts(m_dataDir);
}

std::optional<QString> PanelSession::mappedAddress(int portNo) const
{
    return lnk::mappedAddress(portNo, m_dataDir);
}

std::optional<QString> PanelSession::saveMappedAddress(int portNo, const QString& address) const
{
    return lnk::writePortMapEntry(m_dataDir, portNo, address);
}

} // namespace session
