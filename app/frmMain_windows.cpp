#include "app/frmMain.h"

#include "app/PanelHistory.h"

#include "dialogs/SitesDesk.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmAboutWiz.h"
#include "dialogs/frmCompare.h"
#include "dialogs/frmDenNoc.h"
#include "dialogs/frmLineMonitor.h"
#include "dialogs/frmRearPanel.h"
#include "dialogs/frmSplash.h"
#include "dialogs/frmTestsignal.h"
#include "dialogs/frmUserPresets.h"

#include <QAction>
#include <QTimer>

namespace {

// The sound replaces the panel and goes to the processor at once; no undo, nothing asked.
void applySound(frmMain& window, presets::Sound sound, QObject* item)
{
    window.session().applySound(sound);
    window.applyTurboIndication();
    if (const auto* action = qobject_cast<QAction*>(item)) {
        window.history().commit(action->text().remove(QLatin1Char('&')));
    }
    window.posliden();
}

} // namespace

void frmMain::GoldenDance_Click()
{
    applySound(*this, presets::Sound::Universal, sender());
}

void frmMain::MUniversal_Click()
{
    applySound(*this, presets::Sound::MUniversal, sender());
}

void frmMain::Speed_Click()
{
    applySound(*this, presets::Sound::Speed, sender());
}

void frmMain::MSpeed_Click()
{
    applySound(*this, presets::Sound::MSpeed, sender());
}

// Each window lives only while it is open: created here, destroyed when exec() returns.
void frmMain::Testsignal_Click()
{
    frmTestsignal dialog(session(), this);
    runModal(dialog);
}

void frmMain::DenNoc_Click()
{
    frmDenNoc dialog(session(), this);
    runModal(dialog);
}

void frmMain::UserPresets_Click()
{
    frmUserPresets dialog(session(), this);
    runModal(dialog);
}

void frmMain::About_Click()
{
    frmAbout dialog(this);
    runModal(dialog);
}

void frmMain::cmdRearPanel_Click()
{
    frmRearPanel dialog(this);
    runModal(dialog);
}

void frmMain::Command1_Click()
{
    frmAboutWiz dialog(this);
    runModal(dialog);
}

void frmMain::showSplash()
{
    frmSplash splash(this);
    runModal(splash);
}

void frmMain::LineMonitor_Click()
{
    // One monitor, beside the panel; asked for again, it comes to the front.
    if (m_monitor == nullptr) {
        m_monitor = new frmLineMonitor(*m_session, prompts(), this);
        m_monitor->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_monitor->show();
    m_monitor->raise();
    m_monitor->activateWindow();
}

void frmMain::Compare_Click()
{
    frmCompare dialog(*m_session, prompts(), this);
    connect(&dialog, &frmCompare::valuesTaken, this,
            [this] { m_history->commit(QStringLiteral("Take processor's values")); });
    // The upload starts once the window is up, so the busy cover lies over it from its first
    // paint: a click meanwhile could start another comparison under this one.
    QTimer::singleShot(0, &dialog, &frmCompare::compareWithProcessor);
    runModal(dialog);
}

void frmMain::Sites_Click()
{
    m_sites->open();
}
