#include "app/frmMain.h"

#include "dialogs/frmPortCustom.h"
#include "link/PortNames.h"

#include <QAction>

#include <algorithm>

using lnk::Command;

void frmMain::posliden()
{
    m_session->sendDay();
}

void frmMain::Sendnight()
{
    m_session->sendNight();
}

void frmMain::Uploadday()
{
    m_session->uploadDay(std::chrono::milliseconds(std::max(UploadWait, 0)));
}

void frmMain::Uploadnight()
{
    m_session->uploadNight();
}

void frmMain::Testtone()
{
    m_session->command(Command::Testtone);
}

void frmMain::Stoptone()
{
    m_session->command(Command::Stoptone);
}

void frmMain::Saveday()
{
    m_session->command(Command::Saveday);
}

void frmMain::Savenight()
{
    m_session->command(Command::Savenight);
}

void frmMain::Setday()
{
    m_session->command(Command::Setday);
}

void frmMain::Setnight()
{
    m_session->command(Command::Setnight);
}

void frmMain::Switchon()
{
    m_session->command(Command::Switchon);
}

void frmMain::Switchoff()
{
    m_session->command(Command::Switchoff);
}

void frmMain::Save1()
{
    m_session->command(Command::Save1);
}

void frmMain::Save2()
{
    m_session->command(Command::Save2);
}

void frmMain::Save3()
{
    m_session->command(Command::Save3);
}

void frmMain::Save4()
{
    m_session->command(Command::Save4);
}

void frmMain::Recall1()
{
    m_session->command(Command::Recall1);
}

void frmMain::Recall2()
{
    m_session->command(Command::Recall2);
}

void frmMain::Recall3()
{
    m_session->command(Command::Recall3);
}

void frmMain::Recall4()
{
    m_session->command(Command::Recall4);
}

void frmMain::choosePort(int portNo)
{
    if (portNo < 0 || portNo > lnk::kMaxPortNo) {
        return;
    }
    for (std::size_t i = 0; i < m_portItems.size(); ++i) {
        m_portItems[i]->setChecked(i < kCustomPortItem && static_cast<int>(i) + 1 == portNo);
    }
    PortNo = portNo;
}

void frmMain::mnuCustom_Click()
{
    frmPortCustom dialog(PortNo, session(), prompts(), this);
    runModal(dialog);
    if (const std::optional<int> chosen = dialog.chosenPort()) {
        if (const auto error = session().saveMappedAddress(*chosen, dialog.chosenAddress())) {
            notify(*error, kMessageTitle, PromptIcon::Exclamation, m_terminating);
        }
        PortNo = *chosen;
        UlozSoubor(workingFilePath());
        UlozINI();
        form_Reinit();
    }
    // Choosing the item toggled its mark; the marks follow PortNo whether or not it changed.
    markPortMenu();
}
