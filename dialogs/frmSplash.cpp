#include "dialogs/frmSplash.h"

#include "dialogs/Artwork.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using namespace dialogs;

frmSplash::frmSplash(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pictureLabel(QStringLiteral("Picture1"), kSplashPicture, kSplashSize, this));
    setFixedSize(kSplashSize);

    // The main window is not on screen yet, so centre on the screen rather than over it.
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        move(s->availableGeometry().center() - rect().center());
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(kShowTime);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    Timer1->start();
}

void frmSplash::mousePressEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    Form_Click();
}

void frmSplash::keyPressEvent(QKeyEvent* event)
{
    Q_UNUSED(event);
    Form_KeyPress();
}

void frmSplash::Timer1_Timer()
{
    accept();
}

void frmSplash::Form_Click()
{
    accept();
}

void frmSplash::Form_KeyPress()
{
    accept();
}
