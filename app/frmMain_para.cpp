#include "app/frmMain.h"

// PLACEHOLDER until the exact parameters window and the export land.
void frmMain::cmdPara_Click() {}
void frmMain::UlozExportTXT() {}
QString frmMain::exportFilePath() const
{
    return {};
}
