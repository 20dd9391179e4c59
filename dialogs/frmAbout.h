#pragma once

#include <QDialog>

// The about box: the program's picture, its line settings and the block codes it uses.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Its one button is the way out: Escape and the window manager's close do nothing.
    void reject() override {}

private:
    void cmdOk_Click();
};
