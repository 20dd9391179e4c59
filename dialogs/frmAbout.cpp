#include "dialogs/frmAbout.h"

#include "dialogs/Artwork.h"
#include "dialogs/ColouredButton.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace dialogs;

namespace {

QLabel* textLine(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("    "));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(pictureLabel(QStringLiteral("Picture1"), kAboutPicture, kAboutSize, this));

    auto* heading = textLine(QStringLiteral("lblTitle"), QStringLiteral("Orvex DAB+"), this);
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    heading->setFont(big);
    layout->addWidget(heading);
    layout->addWidget(textLine(QStringLiteral("lblComm"),
                               QStringLiteral("Communication parameters: 1200,N,8,2"), this));
    layout->addWidget(textLine(QStringLiteral("lblPlatform"),
                               QStringLiteral("32-bit App, Windows 10\u00AE  Compatible"), this));
    layout->addWidget(
        textLine(QStringLiteral("lblInCode"), QStringLiteral("In Code: 126 (was 125,124)"), this));
    layout->addWidget(textLine(QStringLiteral("lblOutCode"),
                               QStringLiteral("Out Code: 226 (was 225,224)"), this));
    layout->addWidget(textLine(QStringLiteral("lblEmpty"), QString(), this));

    auto* cmdOk = colouredButton(QStringLiteral("cmdOk"), QStringLiteral("OK"), kFaceGreen, this);
    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
    layout->addWidget(cmdOk, 0, Qt::AlignHCenter);
}

void frmAbout::cmdOk_Click()
{
    accept();
}
