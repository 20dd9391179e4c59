#pragma once

#include <QDialog>

// How the two loudness sliders combine: the processor aims at their sum.
class frmAboutWiz : public QDialog
{
    Q_OBJECT

public:
    explicit frmAboutWiz(QWidget* parent = nullptr);

private:
    void Command1_Click();
};
