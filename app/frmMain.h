#pragma once

#include "app/Environment.h"
#include "model/ParameterSet.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolBar;
class ParamSlider;
class Prompts;

// The virtual front panel. It owns the parameter set, the port number and the dialog folder,
// and is the object every other window calls for processor and file operations.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(const AppEnvironment& env, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load step: splash, settings file, port marks, working file, Turbo indication.
    void load();

    model::ParameterSet& params() { return m_params; }
    const model::ParameterSet& params() const { return m_params; }
    Prompts& prompts() const { return *m_prompts; }
    lnk::SerialLine& line() const { return *m_line; }
    const AppEnvironment& environment() const { return m_env; }

    // Run-time state.
    quint8 PortNo = 1;
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
    void Sendnight();
    void Uploadday();
    void Uploadnight();
    void applyTurboIndication();
    bool turboIndicationShown() const { return m_turboShown; }
    void markPortMenu();
    void choosePort(int portNo);
    void toolbarKey(const QString& key);

    // Where the working file, settings file and preset files live.
    QString dataDir() const;
    QString workingFilePath() const;
    QString settingsFilePath() const;
    QString presetFilePath(int n) const;
    QString exportFilePath() const;

    // Controls, named as on the panel.
    ParamSlider* slider(model::Member m) const { return m_sliders[model::index(m)]; }
    QAction* flagAction(model::Member m) const;
    QCheckBox* chkTurbo = nullptr;
    QProgressBar* Sendbar = nullptr;
    QLineEdit* txtNazevSouboru = nullptr;
    QLabel* lblTurboDens = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QPushButton* cmdPara = nullptr;
    QPushButton* cmdRearPanel = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Panel, menus and toolbar (frmMain_panel.cpp, frmMain_menus.cpp).
    void buildPanel();
    void buildMenus();
    void buildToolbar();
    void bindParameterSet();

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
    void showSplash();

    AppEnvironment m_env;
    model::ParameterSet m_params;
    std::unique_ptr<Prompts> m_ownPrompts;
    std::unique_ptr<lnk::SerialLine> m_ownLine;
    Prompts* m_prompts = nullptr;
    lnk::SerialLine* m_line = nullptr;
    std::array<ParamSlider*, model::kSliderCount> m_sliders{};
    bool m_turboShown = false;
    // Files (frmMain_files.cpp): the data folder, decided once; and whether the working file
    // on disk failed to load and must be kept as a backup before it is next replaced.
    mutable QString m_dataDir;
    bool m_keepWorkingBackup = false;
};
