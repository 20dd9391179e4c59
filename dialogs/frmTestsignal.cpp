#include "dialogs/frmTestsignal.h"

#include "dialogs/ColouredButton.h"
#include "session/PanelSession.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace dialogs;

frmTestsignal::frmTestsignal(session::PanelSession& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_session(session)
{
    setObjectName(QStringLiteral("frmTestsignal"));
    setWindowTitle(QStringLiteral(" Test Signal"));

    auto* heading = new QLabel(QStringLiteral(" Test signal for adjustements"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    heading->setTextFormat(Qt::PlainText);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* text = new QLabel(QStringLiteral("Test signal 1000 Hz in left channel"), this);
    text->setObjectName(QStringLiteral("lblText"));
    text->setTextFormat(Qt::PlainText);

    auto* cmdStart =
        colouredButton(QStringLiteral("cmdStart"), QStringLiteral("Signal ON"), kFaceRed, this);
    auto* cmdStop =
        colouredButton(QStringLiteral("cmdStop"), QStringLiteral("Signal OFF"), kFaceGreen, this);
    auto* cmdEXIT =
        colouredButton(QStringLiteral("cmdEXIT"), QStringLiteral("Exit"), kFaceLightBlue, this);
    connect(cmdStart, &QPushButton::clicked, this, &frmTestsignal::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmTestsignal::cmdStop_Click);
    connect(cmdEXIT, &QPushButton::clicked, this, &frmTestsignal::cmdEXIT_Click);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(heading);
    layout->addWidget(text);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdStop);
    layout->addLayout(buttons);
    layout->addWidget(cmdEXIT);
}

void frmTestsignal::reject() {}

void frmTestsignal::closeEvent(QCloseEvent* event)
{
    if (!m_leaving) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmTestsignal::cmdStart_Click()
{
    m_session.command(lnk::Command::Testtone);
}

void frmTestsignal::cmdStop_Click()
{
    m_session.command(lnk::Command::Stoptone);
}

void frmTestsignal::cmdEXIT_Click()
{
    leave();
}

void frmTestsignal::leave()
{
    if (m_leaving) {
        return;
    }
    // The stop command runs on after the dialog has gone and reports its own failure.
    m_session.command(lnk::Command::Stoptone);
    m_leaving = true;
    done(QDialog::Accepted);
}
