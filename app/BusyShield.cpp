#include "app/BusyShield.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Takes every input event that reaches it; being on top of the window, that is all of them.
class InputCover : public QWidget
{
public:
    explicit InputCover(QWidget* window) : QWidget(window)
    {
        setObjectName(QStringLiteral("busyCover"));
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::BusyCursor);
        setGeometry(window->rect());
    }

protected:
    bool event(QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepted, so no shortcut fires; the key press then comes here and goes nowhere.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->accept();
            return true;
        default:
            return QWidget::event(event);
        }
    }
};

} // namespace

BusyShield::BusyShield(QWidget* mainWindow, QObject* parent)
    : QObject(parent), m_mainWindow(mainWindow)
{}

BusyShield::~BusyShield()
{
    lower();
}

void BusyShield::raise()
{
    if (m_raised) {
        return;
    }
    m_raised = true;
    m_focus = QApplication::focusWidget();
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w->isVisible() && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog)) {
            cover(w);
        }
    }
}

void BusyShield::cover(QWidget* window)
{
    auto* cover = new InputCover(window);
    cover->show();
    cover->raise();
    if (window->isActiveWindow()) {
        cover->setFocus(Qt::OtherFocusReason);
    }
    window->installEventFilter(this);
    m_covers.append(cover);
}

void BusyShield::lower()
{
    if (!m_raised) {
        return;
    }
    m_raised = false;
    for (const QPointer<QWidget>& c : std::as_const(m_covers)) {
        if (c != nullptr) {
            if (QWidget* window = c->parentWidget()) {
                window->removeEventFilter(this);
            }
            delete c;
        }
    }
    m_covers.clear();
    if (m_focus != nullptr && m_focus->isVisible()) {
        m_focus->setFocus(Qt::OtherFocusReason);
    }
    m_focus = nullptr;
}

bool BusyShield::eventFilter(QObject* watched, QEvent* event)
{
    auto* window = qobject_cast<QWidget*>(watched);
    if (window == nullptr) {
        return false;
    }
    if (event->type() == QEvent::Resize) {
        for (const QPointer<QWidget>& c : std::as_const(m_covers)) {
            if (c != nullptr && c->parentWidget() == window) {
                c->setGeometry(window->rect());
            }
        }
    } else if (event->type() == QEvent::Close && event->spontaneous() && window != m_mainWindow) {
        event->ignore();
        return true;
    }
    return false;
}
