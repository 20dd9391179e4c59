#include "app/frmMain.h"

#include "dialogs/Para.h"

void frmMain::cmdPara_Click()
{
    // A fresh window each time: edits and notes end with it.
    Para window(*m_session, prompts(), m_env.printer, this);
    runModal(window);
}
