#include "app/frmMain.h"

#include "app/Prompts.h"
#include "link/QtSerialLine.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPalette>

namespace {
const QColor kBlue(0, 0, 255);
const QColor kMagenta(255, 0, 255);
} // namespace

frmMain::frmMain(const AppEnvironment& env, QWidget* parent) : QMainWindow(parent), m_env(env)
{
    setObjectName(QStringLiteral("frmMain"));
    if (m_env.prompts != nullptr) {
        m_prompts = m_env.prompts;
    } else {
        m_ownPrompts = std::make_unique<WidgetPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    if (m_env.line != nullptr) {
        m_line = m_env.line;
    } else {
        m_ownLine = std::make_unique<lnk::QtSerialLine>(dataDir());
        m_line = m_ownLine.get();
    }

    setWindowTitle(QStringLiteral("ORVEX DAB+ Setup v 20.01"));
    setAutoFillBackground(true);
    buildMenus();
    buildToolbar();
    buildPanel();
    bindParameterSet();

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBlue);
    setPalette(pal);
}

frmMain::~frmMain() = default;

void frmMain::load()
{
    if (m_env.showSplash) {
        showSplash();
    }
    Adresar = dataDir() + QDir::separator();
    NactiINI();
    markPortMenu();
    NactiSoubor(workingFilePath());
    applyTurboIndication();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // The close is never refused: the panel goes to the working file, the port to settings.
    UlozSoubor(workingFilePath());
    UlozINI();
    event->accept();
}

void frmMain::applyTurboIndication()
{
    m_turboShown = m_params.flag(model::Member::Space);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, m_turboShown ? kMagenta : kBlue);
    setPalette(pal);
    if (lblTurboDens != nullptr) {
        lblTurboDens->setVisible(m_turboShown);
    }
}

void frmMain::Space_Click()
{
    m_params.setFlag(model::Member::Space, !m_params.flag(model::Member::Space));
    applyTurboIndication();
}

void frmMain::Help_Click()
{
    prompts().message(QStringLiteral("Refer manual in .pdf file on install CD, Veltrane web or "
                                     "instal directory of this program"),
                      QStringLiteral("Orvex"), PromptIcon::Information);
}

void frmMain::toolbarKey(const QString& key)
{
    if (key == QLatin1String("sendd")) {
        posliden();
    } else if (key == QLatin1String("sendn")) {
        Sendnight();
    } else if (key == QLatin1String("uplod")) {
        UploadWait = 800;
        Uploadday();
    } else if (key == QLatin1String("uplon")) {
        Uploadnight();
    } else if (key.size() == 4 && key.startsWith(QLatin1String("pre")) &&
               key.at(3) >= QLatin1Char('1') && key.at(3) <= QLatin1Char('5')) {
        NactiSoubor(presetFilePath(key.at(3).digitValue()));
    }
}
