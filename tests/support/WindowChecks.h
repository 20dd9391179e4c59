#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <functional>

// The colour actually painted on a button's face, beside its caption.
inline QColor faceOf(QPushButton* button)
{
    const QImage image = button->grab().toImage();
    return image.pixelColor(6, image.height() / 2);
}

inline bool hasCloseBox(const QWidget& window)
{
    const Qt::WindowFlags f = window.windowFlags();
    return !f.testFlag(Qt::CustomizeWindowHint) || f.testFlag(Qt::WindowCloseButtonHint);
}

// Runs `inspect` on the modal window that `open` brings up, then leaves it (by its button named
// exitName if it has one, else by done()). Returns the window's object name, empty if none came.
// A second timer ends any modal dialog still open, so a broken window cannot hang the test.
inline QString whileModal(const std::function<void()>& open, const QString& exitName,
                          const std::function<void(QDialog&)>& inspect = {})
{
    using namespace std::chrono_literals;
    QString seen;
    QObject scope; // ends the timers below if open() shows nothing
    QTimer::singleShot(0, &scope, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        seen = dialog->objectName();
        if (inspect) {
            inspect(*dialog);
        }
        if (auto* exit = dialog->findChild<QAbstractButton*>(exitName); exit != nullptr) {
            exit->click();
        } else {
            dialog->done(QDialog::Rejected);
        }
    });
    QTimer::singleShot(10s, &scope, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->done(QDialog::Rejected);
        }
    });
    open();
    return seen;
}
