#pragma once

#include <QDialog>

namespace session {
class PanelSession;
}

// Day/night presets of the processor: store the panel as the day or night preset, activate
// one, and let the AUX switch choose between them. Left by the close box; sends nothing then.
class frmDenNoc : public QDialog
{
    Q_OBJECT

public:
    explicit frmDenNoc(session::PanelSession& session, QWidget* parent = nullptr);

private:
    void cmdSaveDay_Click();
    void cmdSaveNight_Click();
    void cmdActDay_Click();
    void cmdActNight_Click();
    void cmdSwON_Click();
    void cmdSwOFF_Click();

    session::PanelSession& m_session;
};
