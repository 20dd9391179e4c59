#pragma once

#include <QDialog>

// A picture of the processor's back, so the operator can find the ports the panel talks about.
class frmRearPanel : public QDialog
{
    Q_OBJECT

public:
    explicit frmRearPanel(QWidget* parent = nullptr);

private:
    void Command1_Click();
};
