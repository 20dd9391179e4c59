#include "app/frmMain.h"

#include "app/PanelHistory.h"
#include "dialogs/Para.h"

void frmMain::cmdPara_Click()
{
    // A fresh window each time: edits and notes end with it.
    Para window(*m_session, prompts(), m_env.printer, this);
    runModal(window);
    // Sent back, or partly sent back before a box was refused: one step either way.
    m_history->commit(QStringLiteral("Exact parameters"));
}
