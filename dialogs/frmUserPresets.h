#pragma once

#include <QDialog>

namespace session {
class PanelSession;
}

// The four user presets held in the processor: store the processor's current settings into
// one, or recall one. Left by the close box; sends nothing then.
class frmUserPresets : public QDialog
{
    Q_OBJECT

public:
    explicit frmUserPresets(session::PanelSession& session, QWidget* parent = nullptr);

private:
    void cmdSave1_Click();
    void cmdSave2_Click();
    void cmdSave3_Click();
    void cmdSave4_Click();
    void cmdRecall1_Click();
    void cmdRecall2_Click();
    void cmdRecall3_Click();
    void cmdRecall4_Click();

    session::PanelSession& m_session;
};
