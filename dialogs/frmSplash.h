#pragma once

#include <QDialog>

#include <chrono>

class QTimer;

// The start-up picture: borderless, closes by itself after two seconds, or earlier at a click
// or a key press.
class frmSplash : public QDialog
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kShowTime{2000};

    explicit frmSplash(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Timer1_Timer();
    void Form_Click();
    void Form_KeyPress();

    QTimer* Timer1 = nullptr;
};
