#include "dialogs/frmAboutWiz.h"

#include "dialogs/ColouredButton.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace dialogs;

frmAboutWiz::frmAboutWiz(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint)
{
    setObjectName(QStringLiteral("frmAboutWiz"));

    auto* heading = new QLabel(QStringLiteral("LUFS adjustment information"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setTextFormat(Qt::PlainText);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    heading->setFont(bold);

    auto* text = new QLabel(
        QStringLiteral("Set LUFS level by LUFS Level slider. You can correct this setting by LUFS "
                       "Offset control slider. Example: LUFS Level is set to -16 and LUFS Offset "
                       "is set to -2. Resulting LUFS is sum of this values, eg. -16 plus -2 = "
                       "-18 dB. "),
        this);
    text->setObjectName(QStringLiteral("lblText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setFixedWidth(360);

    auto* Command1 =
        colouredButton(QStringLiteral("Command1"), QStringLiteral("Exit"), kFaceGreen, this);
    connect(Command1, &QPushButton::clicked, this, &frmAboutWiz::Command1_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
}

void frmAboutWiz::Command1_Click()
{
    accept();
}
