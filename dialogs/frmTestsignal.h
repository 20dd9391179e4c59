#pragma once

#include <QDialog>

namespace session {
class PanelSession;
}

// Switches the processor's 1000 Hz test tone. "Exit" is the only way out and always stops the
// tone first, so the tone never stays on once the dialog is gone.
class frmTestsignal : public QDialog
{
    Q_OBJECT

public:
    explicit frmTestsignal(session::PanelSession& session, QWidget* parent = nullptr);

    // The Exit path: stops the tone and goes. Also how the program leaves the dialog when it
    // is asked to end.
    void leave();

    // Escape and the window manager's close request must not bypass "Exit".
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void cmdStart_Click();
    void cmdStop_Click();
    void cmdEXIT_Click();

    session::PanelSession& m_session;
    bool m_leaving = false;
};
