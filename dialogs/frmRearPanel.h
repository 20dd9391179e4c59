#pragma once

#include <QDialog>

// A picture of the processor's back, so the operator can find the ports the panel talks about.
class frmRearPanel : public QDialog
{
    Q_OBJECT

public:
    explicit frmRearPanel(QWidget* parent = nullptr);

    // Its one button is the way out: Escape and the window manager's close do nothing.
    void reject() override {}

private:
    void Command1_Click();
};
