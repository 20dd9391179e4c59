#pragma once

#include "app/Environment.h"
#include "dialogs/Prompts.h"
#include "session/PanelSession.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolBar;
class BusyShield;
class PanelHistory;
class QMenuBar;
class frmLineMonitor;
class SitesDesk;
class ParamSlider;

// The virtual front panel. The panel's state and operations live in the session; the window
// shows them, turns operator input into session calls and session results into messages.
class frmMain : public QMainWindow
{
    Q_OBJECT

    // Declared first: the port number below forwards to the session.
    AppEnvironment m_env;
    std::unique_ptr<session::PanelSession> m_session;

public:
    explicit frmMain(const AppEnvironment& env, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load step: splash, settings file, port marks, working file, Turbo indication.
    void load();
    // The load step, then the window in the middle of the screen; or, when the program was asked
    // to end meanwhile, the close at once (false).
    bool start();
    // Termination requests close the panel in order; the desktop session's requests to save
    // and the end of the event loop write the working and settings files.
    void closeOnRequestsOf(const class TerminationWatcher& watcher);
    // The working file and the settings, the window left open.
    void saveFiles();

    session::PanelSession& session() const { return *m_session; }
    model::ParameterSet& params() { return m_session->params(); }
    const model::ParameterSet& params() const { return m_session->params(); }
    Prompts& prompts() const { return *m_prompts; }
    const AppEnvironment& environment() const { return m_env; }
    PanelHistory& history() const { return *m_history; }

    // The port number, read and written as a number; the session holds it.
    class PortNumber
    {
    public:
        explicit PortNumber(session::PanelSession& s) : m_session(s) {}
        operator quint8() const { return static_cast<quint8>(m_session.portNo()); }
        PortNumber& operator=(int portNo)
        {
            m_session.setPortNo(portNo);
            return *this;
        }

    private:
        session::PanelSession& m_session;
    };

    // Run-time state.
    PortNumber PortNo;
    QString Adresar;
    int UploadWait = 0;

    // Public operations, in interface order.
    void form_Reinit();
    void UlozINI();
    bool UlozSoubor(const QString& path);
    void UlozExportTXT();
    void posliden();
    void Testtone();
    void Stoptone();
    void Saveday();
    void Savenight();
    void Setday();
    void Setnight();
    void Switchon();
    void Switchoff();
    void Save1();
    void Save2();
    void Save3();
    void Save4();
    void Recall1();
    void Recall2();
    void Recall3();
    void Recall4();

    // Further operations of the window.
    void NactiINI();
    bool NactiSoubor(const QString& path);
    // NactiSoubor of the working file at start-up, which sets a damaged one aside.
    void loadWorkingFile();
    void Sendnight();
    void Uploadday();
    void Uploadnight();
    void applyTurboIndication();
    // An option's check mark flipped by the operator, as one undoable step.
    void toggleOption(model::Member m);
    bool turboIndicationShown() const { return m_turboShown; }
    void markPortMenu();
    // The port items' captions, with the address of a number that has one in ports.ini.
    void labelPortMenu();
    void choosePort(int portNo);
    void toolbarKey(const QString& key);

    // Where the working file, settings file and preset files live.
    QString dataDir() const { return m_session->dataDir(); }
    QString workingFilePath() const { return m_session->workingFilePath(); }
    QString settingsFilePath() const { return m_session->settingsFilePath(); }
    QString presetFilePath(int n) const { return m_session->presetFilePath(n); }
    QString exportFilePath() const { return m_session->exportFilePath(); }

    // Closing. A close box, File > Exit or a termination signal ask for it; it is carried out once
    // no exchange runs and every dialog has been left (the test signal dialog through its Exit,
    // which stops the tone). A termination request also sends every message that would hold the
    // exit to standard error instead.
    enum class CloseReason
    {
        Operator,
        Termination,
    };
    void requestClose(CloseReason reason);
    bool closeRequested() const { return m_closeRequested; }
    bool terminating() const { return m_terminating; }

    // Controls, named as on the panel.
    ParamSlider* slider(model::Member m) const { return m_sliders[model::index(m)]; }
    QAction* flagAction(model::Member m) const;
    QCheckBox* turboBox() const { return chkTurbo; }
    QProgressBar* sendBar() const { return Sendbar; }
    QLineEdit* fileNameBox() const { return txtNazevSouboru; }
    QLabel* turboDensityLabel() const { return lblTurboDens; }
    QToolBar* toolbar() const { return Toolbar1; }
    QPushButton* paraButton() const { return cmdPara; }
    QPushButton* rearPanelButton() const { return cmdRearPanel; }
    QPushButton* wizardButton() const { return Command1; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Panel, menus and toolbar (frmMain_panel.cpp, frmMain_menus.cpp).
    void buildPanel();
    void buildMenus();
    void buildToolbar();
    void buildEditMenu(QMenuBar* bar);
    void bindParameterSet();
    void bindSession();

    // Menu and button handlers.
    void Open_Click();
    void Save_Click();
    void mnuCustom_Click();
    void GoldenDance_Click();
    void MUniversal_Click();
    void Speed_Click();
    void MSpeed_Click();
    void Space_Click();
    void Testsignal_Click();
    void DenNoc_Click();
    void UserPresets_Click();
    void Help_Click();
    void About_Click();
    void cmdPara_Click();
    void cmdRearPanel_Click();
    void Command1_Click();
    void LineMonitor_Click();
    void Compare_Click();
    void Sites_Click();
    void showSplash();

    // Messages: a box, or standard error once the program is asked to end.
    void notify(const QString& text, const QString& title, PromptIcon icon, bool quiet);
    void onExchangeFinished(const lnk::ExchangeResult& result);
    void onBusyChanged(bool busy);
    // A modal window of ours; whatever happens inside, a close asked for meanwhile goes on after.
    void runModal(class QDialog& dialog);
    void continueClose();
    void continueCloseSoon();

    // Controls, named as on the panel.
    QCheckBox* chkTurbo = nullptr;
    QProgressBar* Sendbar = nullptr;
    QLineEdit* txtNazevSouboru = nullptr;
    QLabel* lblTurboDens = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QPushButton* cmdPara = nullptr;
    QPushButton* cmdRearPanel = nullptr;
    QPushButton* Command1 = nullptr;

    std::unique_ptr<Prompts> m_ownPrompts;
    Prompts* m_prompts = nullptr;
    BusyShield* m_shield = nullptr;
    PanelHistory* m_history = nullptr;
    QPointer<frmLineMonitor> m_monitor;
    SitesDesk* m_sites = nullptr;
    std::array<ParamSlider*, model::kSliderCount> m_sliders{};
    // The port setup items: port 1..4, then the one for any other port.
    static constexpr std::size_t kCustomPortItem = 4;
    std::array<QAction*, kCustomPortItem + 1> m_portItems{};
    bool m_turboShown = false;
    bool m_closeRequested = false;
    bool m_terminating = false;
    bool m_closing = false;
    bool m_loaded = false;
};
