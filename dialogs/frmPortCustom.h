#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class Prompts;

namespace session {
class PanelSession;
}

// The custom port dialog: the operator types the number of the port to use, and optionally an
// address for that number (a network serial server, another device), which the dialog checks
// and returns; the caller stores them. Below the texts it lists what each number reaches (the
// ports.ini entries, the ports/ links of the data folder, the serial devices of this computer)
// and warns first when ports.ini cannot be used.
class frmPortCustom : public QDialog
{
    Q_OBJECT

public:
    // portNo: the number shown at first.
    frmPortCustom(int portNo, session::PanelSession& session, Prompts& prompts,
                  QWidget* parent = nullptr);

    // The number saved by "Save and Exit"; nothing when the dialog was left otherwise.
    std::optional<int> chosenPort() const { return m_chosen; }
    // The address saved with it (checked; empty: the number has no address of its own).
    QString chosenAddress() const { return m_chosenAddress; }

    // The port number typed, when it is a whole number 0..255.
    static std::optional<int> parsePortNumber(const QString& text);

    QLineEdit* txtCustom = nullptr;
    QLineEdit* txtAddress = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* cmdEXIT = nullptr;
    QListWidget* lstPorts = nullptr;

private:
    void cmdEXIT_Click();
    void listPorts();
    void showMappedAddress();

    session::PanelSession& m_session;
    Prompts& m_prompts;
    std::optional<int> m_chosen;
    QString m_chosenAddress;
};
