#pragma once

#include <QDialog>

// How the two loudness sliders combine: the processor aims at their sum.
class frmAboutWiz : public QDialog
{
    Q_OBJECT

public:
    explicit frmAboutWiz(QWidget* parent = nullptr);

    // Its one button is the way out: Escape and the window manager's close do nothing.
    void reject() override {}

private:
    void Command1_Click();
};
