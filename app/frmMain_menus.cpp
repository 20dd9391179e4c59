#include "app/frmMain.h"

// PLACEHOLDER until the menus land.
void frmMain::buildMenus() {}
void frmMain::buildToolbar() {}
QAction* frmMain::flagAction(model::Member) const
{
    return nullptr;
}
