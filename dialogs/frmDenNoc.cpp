#include "dialogs/frmDenNoc.h"

#include "dialogs/ColouredButton.h"
#include "session/PanelSession.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace dialogs;

namespace {

QGroupBox* pairFrame(const QString& caption, QPushButton* left, QPushButton* right, QWidget* parent)
{
    auto* frame = new QGroupBox(caption, parent);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(left);
    row->addWidget(right);
    return frame;
}

} // namespace

frmDenNoc::frmDenNoc(session::PanelSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmDenNoc"));
    setWindowTitle(QStringLiteral("Day/Night"));

    auto* text = new QLabel(QStringLiteral("Save actual parameters as Day or Night preset. "
                                           "Activate this preset by button. Enable or disable "
                                           "Day/Night activation by a switch on  AUX port "
                                           "(rear panel of Orvex)"),
                            this);
    text->setObjectName(QStringLiteral("lblText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);

    auto* cmdSaveDay =
        colouredButton(QStringLiteral("cmdSaveDay"), QStringLiteral("Day"), kFaceYellow, this);
    auto* cmdSaveNight = colouredButton(QStringLiteral("cmdSaveNight"), QStringLiteral("Night"),
                                        kFaceLightBlue, this);
    auto* cmdActDay = colouredButton(QStringLiteral("cmdActDay"), QStringLiteral("Day preset"),
                                     kFaceYellow, this);
    auto* cmdActNight = colouredButton(QStringLiteral("cmdActNight"),
                                       QStringLiteral("Nignt preset"), kFaceLightBlue, this);
    auto* cmdSwON =
        colouredButton(QStringLiteral("cmdSwON"), QStringLiteral("Enabled"), kFaceGreen, this);
    auto* cmdSwOFF =
        colouredButton(QStringLiteral("cmdSwOFF"), QStringLiteral("Disabled"), kFaceRed, this);

    connect(cmdSaveDay, &QPushButton::clicked, this, &frmDenNoc::cmdSaveDay_Click);
    connect(cmdSaveNight, &QPushButton::clicked, this, &frmDenNoc::cmdSaveNight_Click);
    connect(cmdActDay, &QPushButton::clicked, this, &frmDenNoc::cmdActDay_Click);
    connect(cmdActNight, &QPushButton::clicked, this, &frmDenNoc::cmdActNight_Click);
    connect(cmdSwON, &QPushButton::clicked, this, &frmDenNoc::cmdSwON_Click);
    connect(cmdSwOFF, &QPushButton::clicked, this, &frmDenNoc::cmdSwOFF_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    text->setFixedWidth(300);
    layout->addWidget(text);
    layout->addWidget(pairFrame(QStringLiteral("Save As..."), cmdSaveDay, cmdSaveNight, this));
    layout->addWidget(
        pairFrame(QStringLiteral("Day/Night Activation"), cmdActDay, cmdActNight, this));
    layout->addWidget(pairFrame(QStringLiteral("Activation by Switch"), cmdSwON, cmdSwOFF, this));
}

void frmDenNoc::cmdSaveDay_Click()
{
    m_session.command(lnk::Command::Saveday);
}

void frmDenNoc::cmdSaveNight_Click()
{
    m_session.command(lnk::Command::Savenight);
}

void frmDenNoc::cmdActDay_Click()
{
    m_session.command(lnk::Command::Setday);
}

void frmDenNoc::cmdActNight_Click()
{
    m_session.command(lnk::Command::Setnight);
}

void frmDenNoc::cmdSwON_Click()
{
    m_session.command(lnk::Command::Switchon);
}

void frmDenNoc::cmdSwOFF_Click()
{
    m_session.command(lnk::Command::Switchoff);
}
