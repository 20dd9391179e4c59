#include "app/frmMain.h"

// PLACEHOLDER until the factory sounds and the small windows land.
void frmMain::GoldenDance_Click() {}
void frmMain::MUniversal_Click() {}
void frmMain::Speed_Click() {}
void frmMain::MSpeed_Click() {}
void frmMain::Testsignal_Click() {}
void frmMain::DenNoc_Click() {}
void frmMain::UserPresets_Click() {}
void frmMain::About_Click() {}
void frmMain::cmdRearPanel_Click() {}
void frmMain::Command1_Click() {}
void frmMain::showSplash() {}
