#include "app/frmMain.h"

#include "app/Prompts.h"
#include "dialogs/Para.h"
#include "storage/TextExport.h"

#include <QDir>

void frmMain::cmdPara_Click()
{
    // A fresh window each time: edits and notes end with it.
    Para window(*this, this);
    window.exec();
}

void frmMain::UlozExportTXT()
{
    if (const auto error = storage::writeTextExport(exportFilePath(), m_params)) {
        prompts().message(error->description(), QStringLiteral("OrvexDAB"), PromptIcon::None);
    }
}

QString frmMain::exportFilePath() const
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
