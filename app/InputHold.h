#pragma once

#include <QObject>

// While an exchange runs, the operator's input is dropped application-wide: a click must not
// start a second exchange inside the first, nor close the window under it. The windows still
// repaint whenever the exchange comes up for air (pump).
class InputHold : public QObject
{
public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

    // Lets pending events other than input run: paints, timers, window system updates.
    void pump();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
