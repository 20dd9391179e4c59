#include "app/frmMain.h"

#include <QDir>

// PLACEHOLDER until the file formats land.
QString frmMain::dataDir() const
{
    return m_env.programDir;
}
QString frmMain::workingFilePath() const
{
    return QDir(dataDir()).filePath(QStringLiteral("actual.DAB"));
}
QString frmMain::settingsFilePath() const
{
    return QDir(dataDir()).filePath(QStringLiteral("ORVEXFM.INI"));
}
QString frmMain::presetFilePath(int n) const
{
    return QDir(dataDir()).filePath(QStringLiteral("preset%1.DAB").arg(n));
}
void frmMain::NactiINI() {}
void frmMain::UlozINI() {}
bool frmMain::NactiSoubor(const QString&)
{
    return false;
}
bool frmMain::UlozSoubor(const QString&)
{
    return false;
}
void frmMain::Open_Click() {}
void frmMain::Save_Click() {}
void frmMain::form_Reinit() {}
void frmMain::markPortMenu() {}
