#include "app/InputHold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

InputHold::InputHold()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

InputHold::~InputHold()
{
    // Input that queued up while the line was busy is dropped here, not run afterwards.
    pump();
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void InputHold::pump()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

bool InputHold::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close: {
        // The close box: refused for now, the operator can close once the exchange is over.
        const auto* widget = qobject_cast<const QWidget*>(watched);
        if (watched->isWindowType() || (widget != nullptr && widget->isWindow())) {
            event->ignore();
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}
