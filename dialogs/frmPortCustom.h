#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class frmMain;

// The custom port dialog: the operator types the number of the port to use. Below the texts it
// lists the serial devices of this computer and the ports/ links of the program folder, each
// with the number that reaches it.
class frmPortCustom : public QDialog
{
    Q_OBJECT

public:
    explicit frmPortCustom(frmMain& main, QWidget* parent = nullptr);

    // The port number typed, when it is a whole number 0..255.
    static std::optional<int> parsePortNumber(const QString& text);

    QLineEdit* txtCustom = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdEXIT = nullptr;
    QListWidget* lstPorts = nullptr;

private:
    void cmdEXIT_Click();
    void listPorts();

    frmMain& m_main;
};
