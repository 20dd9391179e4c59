#include "dialogs/frmUserPresets.h"

#include "dialogs/ColouredButton.h"
#include "session/PanelSession.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

using namespace dialogs;

namespace {

using Handler = void (frmUserPresets::*)();

// Buttons 1 and 2 stand in the left column, 3 and 4 in the right.
QGroupBox* presetFrame(frmUserPresets* dialog, const QString& caption, const QString& namePrefix,
                       const QColor& face, const std::array<Handler, 4>& handlers)
{
    auto* frame = new QGroupBox(caption, dialog);
    auto* grid = new QGridLayout(frame);
    for (int n = 1; n <= 4; ++n) {
        auto* button =
            colouredButton(namePrefix + QString::number(n), QString::number(n), face, frame);
        QObject::connect(button, &QPushButton::clicked, dialog, handlers[n - 1]);
        grid->addWidget(button, (n - 1) % 2, (n - 1) / 2);
    }
    return frame;
}

} // namespace

frmUserPresets::frmUserPresets(session::PanelSession& session, QWidget* parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("frmUserPresets"));
    setWindowTitle(QStringLiteral("User Presets"));

    auto* heading = new QLabel(QStringLiteral("Save or recall User Presets"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setTextFormat(Qt::PlainText);
    heading->setAlignment(Qt::AlignCenter);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(heading);
    auto* frames = new QHBoxLayout;
    frames->addWidget(
        presetFrame(this, QStringLiteral("Save to preset No:"), QStringLiteral("cmdSave"), kFaceRed,
                    {&frmUserPresets::cmdSave1_Click, &frmUserPresets::cmdSave2_Click,
                     &frmUserPresets::cmdSave3_Click, &frmUserPresets::cmdSave4_Click}));
    frames->addWidget(presetFrame(
        this, QStringLiteral("Reacall from preset No:"), QStringLiteral("cmdRecall"), kFaceGreen,
        {&frmUserPresets::cmdRecall1_Click, &frmUserPresets::cmdRecall2_Click,
         &frmUserPresets::cmdRecall3_Click, &frmUserPresets::cmdRecall4_Click}));
    layout->addLayout(frames);
}

void frmUserPresets::cmdSave1_Click()
{
    m_session.command(lnk::Command::Save1);
}

void frmUserPresets::cmdSave2_Click()
{
    m_session.command(lnk::Command::Save2);
}

void frmUserPresets::cmdSave3_Click()
{
    m_session.command(lnk::Command::Save3);
}

void frmUserPresets::cmdSave4_Click()
{
    m_session.command(lnk::Command::Save4);
}

void frmUserPresets::cmdRecall1_Click()
{
    m_session.command(lnk::Command::Recall1);
}

void frmUserPresets::cmdRecall2_Click()
{
    m_session.command(lnk::Command::Recall2);
}

void frmUserPresets::cmdRecall3_Click()
{
    m_session.command(lnk::Command::Recall3);
}

void frmUserPresets::cmdRecall4_Click()
{
    m_session.command(lnk::Command::Recall4);
}
