#include "app/frmMain.h"

// PLACEHOLDER until the processor link lands.
void frmMain::posliden() {}
void frmMain::Sendnight() {}
void frmMain::Uploadday() {}
void frmMain::Uploadnight() {}
void frmMain::Testtone() {}
void frmMain::Stoptone() {}
void frmMain::Saveday() {}
void frmMain::Savenight() {}
void frmMain::Setday() {}
void frmMain::Setnight() {}
void frmMain::Switchon() {}
void frmMain::Switchoff() {}
void frmMain::Save1() {}
void frmMain::Save2() {}
void frmMain::Save3() {}
void frmMain::Save4() {}
void frmMain::Recall1() {}
void frmMain::Recall2() {}
void frmMain::Recall3() {}
void frmMain::Recall4() {}
void frmMain::choosePort(int) {}
void frmMain::mnuCustom_Click() {}
