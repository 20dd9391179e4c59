#include "app/frmMain.h"

// PLACEHOLDER until the panel layout lands.
void frmMain::buildPanel() {}
void frmMain::bindParameterSet() {}
