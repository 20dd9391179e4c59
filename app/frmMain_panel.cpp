#include "app/frmMain.h"

#include "app/PanelArt.h"
#include "app/PanelGroups.h"
#include "app/ParamSlider.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolBar>

namespace {

QLabel* pictureLabel(QWidget* area, const char* name, const QRect& r)
{
    auto* label = new QLabel(area);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(r);
    label->setPixmap(
        panel::picture(QStringLiteral(":/panel/%1.svg").arg(QLatin1String(name)), r.size()));
    return label;
}

} // namespace

void frmMain::buildPanel()
{
    QWidget* area = panel::clientArea(this);
    setWindowIcon(panel::svgIcon(QStringLiteral(":/appicon/orvexdab.svg")));

    // Pictures first, so everything else lies over them.
    pictureLabel(area, "Picture1", QRect(0, panel::kToolbarHeight, 33, 634));
    pictureLabel(area, "Picture2", QRect(40, 400, 753, 138));
    pictureLabel(area, "Picture4", QRect(800, 400, 112, 63));
    pictureLabel(area, "Picture3", QRect(800, 472, 108, 53));

    const panel::PlaceSlider place = [this](model::Member m, QWidget* parent, const QRect& r) {
        auto* slider = new ParamSlider(m, parent);
        slider->setGeometry(r);
        m_sliders[model::index(m)] = slider;
        return slider;
    };
    // Built in panel order, group by group from left to right: the tab order follows.
    panel::buildLevelers(area, place);
    panel::buildOutputMix(area, place);
    panel::buildOptimizer(area, place);
    panel::buildLoudness(area, place);
    chkTurbo = panel::buildLeftColumn(area, place);
    panel::buildSpatialEnhancer(area, place);
    lblTurboDens = panel::buildLimiters(area, place);

    cmdRearPanel = new QPushButton(QStringLiteral("View Rear Panel"), area);
    cmdRearPanel->setObjectName(QStringLiteral("cmdRearPanel"));
    cmdRearPanel->setGeometry(40, 376, 241, 17);
    panel::colourButton(cmdRearPanel, panel::kGreen);
    connect(cmdRearPanel, &QPushButton::clicked, this, &frmMain::cmdRearPanel_Click);

    QLabel* status = panel::mark(area, QStringLiteral("Serial/USB/IP communication status:"),
                                 QRect(352, 376, 181, 13));
    status->setObjectName(QStringLiteral("Label71"));
    QPalette white = status->palette();
    white.setColor(QPalette::WindowText, panel::kWhite);
    status->setPalette(white);

    Sendbar = new QProgressBar(area);
    Sendbar->setObjectName(QStringLiteral("Sendbar"));
    Sendbar->setGeometry(536, 376, 177, 13);
    Sendbar->setRange(0, 23);
    Sendbar->setValue(0);
    Sendbar->setTextVisible(false);
    Sendbar->setAccessibleName(status->text());

    Command1 = new QPushButton(QStringLiteral("LUFS Info"), area);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(728, 376, 185, 17);
    panel::colourButton(Command1, panel::kYellow);
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);

    // Tab order: the toolbar's keys, button and file-name box, then group by group, left to
    // right, then the buttons of the status row.
    QList<QWidget*> chain;
    for (QAction* key : Toolbar1->actions()) {
        if (!key->isSeparator()) {
            chain << Toolbar1->widgetForAction(key);
        }
    }
    chain << cmdPara << txtNazevSouboru;
    for (const model::Member m :
         {model::Member::gate, model::Member::ranges, model::Member::bassrel,
          model::Member::masterrel, model::Member::bassamount, model::Member::obbass,
          model::Member::ob200600, model::Member::ob60016, model::Member::ob1638,
          model::Member::ob3815, model::Member::optidrive, model::Member::mainexp,
          model::Member::mclipdrive, model::Member::mpxpow, model::Member::LUFSOffset}) {
        chain << slider(m);
    }
    chain << chkTurbo << slider(model::Member::HFShift) << slider(model::Member::LFShift)
          << slider(model::Member::MSlimit) << slider(model::Member::Enhancement);
    for (int i = model::index(model::Member::eq200600); i <= model::index(model::Member::density);
         ++i) {
        chain << slider(model::memberAt(i));
    }
    chain << cmdRearPanel << Command1;
    for (qsizetype i = 1; i < chain.size(); ++i) {
        setTabOrder(chain[i - 1], chain[i]);
    }

    // The client area is fixed; the window is as large as the menu bar and the client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
}
