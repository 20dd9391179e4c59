#include "dialogs/frmRearPanel.h"

#include "dialogs/Artwork.h"
#include "dialogs/ColouredButton.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

using namespace dialogs;

frmRearPanel::frmRearPanel(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmRearPanel"));
    setWindowTitle(QStringLiteral("Rear Panel of Orvex"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 255));
    setPalette(pal);

    auto* Command1 =
        colouredButton(QStringLiteral("Command1"), QStringLiteral("Exit"), kFaceGreen, this);
    connect(Command1, &QPushButton::clicked, this, &frmRearPanel::Command1_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(
        pictureLabel(QStringLiteral("Picture1"), kRearPanelPicture, kRearPanelSize, this));
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
}

void frmRearPanel::Command1_Click()
{
    accept();
}
