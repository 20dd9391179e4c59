#pragma once

#include <QDialog>

class frmMain;

// Switches the processor's 1000 Hz test tone. "Exit" is the only way out and always stops the
// tone first, so the tone never stays on once the dialog is gone.
class frmTestsignal : public QDialog
{
    Q_OBJECT

public:
    explicit frmTestsignal(frmMain& main, QWidget* parent = nullptr);

    // Escape and the window manager's close request must not bypass "Exit".
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdStart_Click();
    void cmdStop_Click();
    void cmdEXIT_Click();

    frmMain& m_main;
    bool m_leaving = false;
};
