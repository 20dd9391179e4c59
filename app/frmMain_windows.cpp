#include "app/frmMain.h"

#include "dialogs/frmAbout.h"
#include "dialogs/frmAboutWiz.h"
#include "dialogs/frmDenNoc.h"
#include "dialogs/frmRearPanel.h"
#include "dialogs/frmSplash.h"
#include "dialogs/frmTestsignal.h"
#include "dialogs/frmUserPresets.h"
#include "presets/FactorySounds.h"

namespace {

// The sound replaces the panel and goes to the processor at once; no undo, nothing asked.
void applySound(frmMain& window, presets::Sound sound)
{
    presets::apply(sound, window.params());
    window.applyTurboIndication();
    window.posliden();
}

} // namespace

void frmMain::GoldenDance_Click()
{
    applySound(*this, presets::Sound::Universal);
}

void frmMain::MUniversal_Click()
{
    applySound(*this, presets::Sound::MUniversal);
}

void frmMain::Speed_Click()
{
    applySound(*this, presets::Sound::Speed);
}

void frmMain::MSpeed_Click()
{
    applySound(*this, presets::Sound::MSpeed);
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
