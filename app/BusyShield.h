#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// While an exchange runs, the program's windows take no operator input: a click must not start a
// second exchange inside the first, nor change the panel under a frame being written. Each
// visible window gets a transparent cover that swallows mouse and keyboard input (shortcuts
// included) and shows the busy cursor; the windows still repaint. A window system close request
// for a dialog is dropped meanwhile; the main window decides about its own.
class BusyShield : public QObject
{
    Q_OBJECT

public:
    BusyShield(QWidget* mainWindow, QObject* parent = nullptr);
    ~BusyShield() override;

    void raise();
    void lower();
    bool isRaised() const { return m_raised; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cover(QWidget* window);

    QPointer<QWidget> m_mainWindow;
    QList<QPointer<QWidget>> m_covers;
    QPointer<QWidget> m_focus;
    bool m_raised = false;
};
