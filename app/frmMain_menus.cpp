#include "app/frmMain.h"

#include "app/PanelArt.h"
#include "app/PanelHistory.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

namespace {

QAction* item(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void separator(QMenu* menu, const char* name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

QMenu* submenu(QMenuBar* bar, const char* name, const QString& caption)
{
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

struct ToolKey
{
    const char* key;
    const char* tooltip;
    int separatorsAfter;
};

// Left to right; picture N of the toolbar art belongs to the N-th key.
constexpr ToolKey kToolKeys[] = {
    {"sendd", "Send data to Orvex", 0},     {"sendn", "Send nighttime settings", 1},
    {"uplod", "Upload data from Orvex", 0}, {"uplon", "Upload nightime settings", 3},
    {"pre1", "Send preset 1", 0},           {"pre2", "Send preset 2", 0},
    {"pre3", "Send preset 3", 0},           {"pre4", "Send preset 4", 0},
    {"pre5", "Send preset 5", 0},
};

} // namespace

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    // The menu bar keeps the desktop's colours while the window turns blue or magenta.
    QPalette own = bar->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button,
                                           QPalette::ButtonText, QPalette::Base, QPalette::Text}) {
        own.setColor(role, own.color(role));
    }
    bar->setPalette(own);
    bar->setAutoFillBackground(true);

    QMenu* file = submenu(bar, "File", QStringLiteral("&File"));
    QAction* open = item(file, "Open", QStringLiteral("&Open"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &frmMain::Open_Click);
    QAction* save = item(file, "Save", QStringLiteral("&Save"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, this, &frmMain::Save_Click);
    separator(file, "Oddelovac1");
    QAction* exit = item(file, "Exit", QStringLiteral("&Exit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    // The check marks of the port items are set by the port choice, never by the click itself.
    buildEditMenu(bar);

    QMenu* ports = submenu(bar, "PortSetup", QStringLiteral("&Port setup"));
    const auto port = [this, ports](const char* name, const QString& caption, int portNo) {
        QAction* action = item(ports, name, caption);
        action->setData(caption);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, portNo] { choosePort(portNo); });
        m_portItems[static_cast<std::size_t>(portNo - 1)] = action;
    };
    port("Port1", QStringLiteral("Use port &1"), 1);
    port("Port2", QStringLiteral("Use port &2"), 2);
    separator(ports, "oddel1");
    port("Port3", QStringLiteral("Use  port &3 (USB -> RS232  driver and cable necessary)"), 3);
    port("Port4", QStringLiteral("Use port &4 (USB -> RS232  driver and cable necessary)"), 4);
    separator(ports, "oddel2");
    QAction* custom =
        item(ports, "mnuCustom", QStringLiteral("Use other port  for USB or TCP/IP Remote"));
    custom->setData(custom->text());
    custom->setCheckable(true);
    m_portItems[kCustomPortItem] = custom;
    connect(custom, &QAction::triggered, this, &frmMain::mnuCustom_Click);
    connect(ports, &QMenu::aboutToShow, this, &frmMain::labelPortMenu);

    QMenu* sounds = submenu(bar, "PrasetSounds", QStringLiteral("&Preset sounds"));
    connect(item(sounds, "GoldenDance", QStringLiteral("&Universal -18 LUFS")), &QAction::triggered,
            this, &frmMain::GoldenDance_Click);
    connect(item(sounds, "MUniversal", QStringLiteral("&M - Universal -18 LUFS")),
            &QAction::triggered, this, &frmMain::MUniversal_Click);
    connect(item(sounds, "Speed", QStringLiteral("&Speed -18 LUFS")), &QAction::triggered, this,
            &frmMain::Speed_Click);
    connect(item(sounds, "MSpeed", QStringLiteral("&M - Speed -18 LUFS")), &QAction::triggered,
            this, &frmMain::MSpeed_Click);

    const auto text = [](std::string_view v) {
        return QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
    };
    QMenu* options = submenu(bar, "Options", text(model::info(model::Member::Space).group));
    // Each option's caption is its member's.
    const auto flag = [options, &text](model::Member m) {
        const model::MemberInfo& i = model::info(m);
        QAction* action = item(options, i.name.data(), text(i.meaning));
        action->setCheckable(true);
        return action;
    };
    // The action has already flipped its own mark when triggered fires; the handlers flip the
    // parameter set, which then confirms the mark (see bindParameterSet).
    connect(flag(model::Member::Space), &QAction::triggered, this, &frmMain::Space_Click);
    connect(flag(model::Member::Digin), &QAction::triggered, this,
            [this] { toggleOption(model::Member::Digin); });
    separator(options, "oddelovac4");
    connect(flag(model::Member::Daynight), &QAction::triggered, this,
            [this] { toggleOption(model::Member::Daynight); });
    // Set only by reading a parameter file: never offered to the operator.
    QAction* autoDensity = flag(model::Member::AutoDensity);
    autoDensity->setVisible(false);
    autoDensity->setEnabled(false);

    // Items of the bar itself, acting when clicked.
    const auto barItem = [this, bar](const char* name, const QString& caption,
                                     void (frmMain::*handler)()) {
        QAction* action = bar->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    barItem("Testsignal", QStringLiteral("&Test signal"), &frmMain::Testsignal_Click);
    barItem("DenNoc", QStringLiteral("&Day/Night"), &frmMain::DenNoc_Click);
    barItem("UserPresets", QStringLiteral("&User presets"), &frmMain::UserPresets_Click);

    QMenu* tools = submenu(bar, "Tools", QStringLiteral("Too&ls"));
    connect(item(tools, "mnuLineMonitor", QStringLiteral("Line monitor")), &QAction::triggered,
            this, &frmMain::LineMonitor_Click);
    connect(item(tools, "mnuCompare", QStringLiteral("Compare with processor...")),
            &QAction::triggered, this, &frmMain::Compare_Click);
    connect(item(tools, "mnuSites", QStringLiteral("Sites...")), &QAction::triggered, this,
            &frmMain::Sites_Click);

    QMenu* help = submenu(bar, "AboutHelp", QStringLiteral("&Help"));
    connect(item(help, "Help", QStringLiteral("Help")), &QAction::triggered, this,
            &frmMain::Help_Click);
    connect(item(help, "About", QStringLiteral("About")), &QAction::triggered, this,
            &frmMain::About_Click);

    // The bar's own overflow button, shown when the window is too narrow for the menus.
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("More menus"));
    }

    // "F1 - HELP" on the panel: wherever the focus is in the window, also on a slider.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setObjectName(QStringLiteral("helpShortcut"));
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &frmMain::Help_Click);
}

void frmMain::buildEditMenu(QMenuBar* bar)
{
    QMenu* edit = submenu(bar, "Edit", QStringLiteral("&Edit"));
    // The step's own name follows the prefix: "Undo Load preset3.DAB".
    QAction* undo = m_history->stack().createUndoAction(edit, QStringLiteral("Undo"));
    undo->setObjectName(QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_history->stack().createRedoAction(edit, QStringLiteral("Redo"));
    redo->setObjectName(QStringLiteral("Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* a : {undo, redo}) {
        a->setStatusTip(QStringLiteral("Changes the panel only; nothing is sent to the processor"));
        edit->addAction(a);
    }
}

void frmMain::buildToolbar()
{
    QWidget* area = panel::clientArea(this);
    Toolbar1 = new QToolBar(area);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(0, 0, panel::kClientWidth, panel::kToolbarHeight);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Nine keys and four separators fit left of the exact-parameters button at x 208.
    Toolbar1->setStyleSheet(QStringLiteral(
        "QToolBar { background: transparent; border: none; spacing: 0px; padding: 1px; }"
        "QToolBar::separator { width: 5px; }"
        "QToolButton { border: 1px solid transparent; border-radius: 2px; padding: 1px;"
        " margin: 0px; }"
        "QToolButton:hover { border-color: white; background: rgba(255, 255, 255, 70); }"
        "QToolButton:pressed { border-color: black; background: rgba(0, 0, 0, 50); }"
        "QToolButton:focus { border: 1px dotted white; }"
        "QLabel#lblHELP { color: white; }"));

    int picture = 1;
    for (const ToolKey& k : kToolKeys) {
        const QString key = QLatin1String(k.key);
        const QString tip = QLatin1String(k.tooltip);
        auto* action = new QAction(
            panel::svgIcon(QStringLiteral(":/panel/tool%1.svg").arg(picture++)), tip, Toolbar1);
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(tip);
        Toolbar1->addAction(action);
        if (QWidget* button = Toolbar1->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("tool_") + key);
            button->setAccessibleName(tip);
            button->setFixedSize(20, 22);
            // Reachable by Tab too: sending and uploading exist only on these keys.
            button->setFocusPolicy(Qt::TabFocus);
        }
        for (int i = 0; i < k.separatorsAfter; ++i) {
            Toolbar1->addSeparator();
        }
    }
    if (auto* more = Toolbar1->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("More toolbar keys"));
    }
    // The handler compares the key of whatever was clicked; anything without a key does nothing.
    connect(Toolbar1, &QToolBar::actionTriggered, this,
            [this](QAction* action) { toolbarKey(action->data().toString()); });

    cmdPara = new QPushButton(QStringLiteral("Show/Export/Print/Edit exact parameters"), Toolbar1);
    cmdPara->setObjectName(QStringLiteral("cmdPara"));
    cmdPara->setGeometry(208, 0, 257, 25);
    panel::colourButton(cmdPara, panel::kYellow);
    connect(cmdPara, &QPushButton::clicked, this, &frmMain::cmdPara_Click);

    txtNazevSouboru = new QLineEdit(QStringLiteral("Actual.DAB"), Toolbar1);
    txtNazevSouboru->setObjectName(QStringLiteral("txtNazevSouboru"));
    txtNazevSouboru->setGeometry(472, 4, 137, 19);
    txtNazevSouboru->setFont(panel::captionFont());
    txtNazevSouboru->setAccessibleName(QStringLiteral("File name"));

    auto* help = new QLabel(QStringLiteral("F1 - HELP"), Toolbar1);
    help->setObjectName(QStringLiteral("lblHELP"));
    help->setGeometry(664, 0, 113, 25);
    help->setFont(panel::captionFont());
}

QAction* frmMain::flagAction(model::Member m) const
{
    if (!model::isFlag(m)) {
        return nullptr;
    }
    const model::MemberInfo& i = model::info(m);
    return menuBar()->findChild<QAction*>(
        QString::fromLatin1(i.name.data(), qsizetype(i.name.size())));
}
