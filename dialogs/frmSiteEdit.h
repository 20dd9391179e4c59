#pragma once

#include "fleet/StoreWorker.h"

#include <QDialog>
#include <QTimer>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Add a site, or change one: name, port and group, checked before anything is saved (a
// malformed port is quoted in the message), then saved through the store worker. The port list
// offers what the system has: its serial devices and the port numbers the folder links.
class frmSiteEdit : public QDialog
{
    Q_OBJECT

public:
    // site: the site to change; nothing to add one.
    frmSiteEdit(fleet::StoreWorker& store, const QString& dataDir, std::optional<fleet::Site> site,
                QWidget* parent = nullptr);

    // What is wrong with the fields as they stand; empty when they can be saved.
    QString problem() const;
    // Checks, then saves; the dialog is accepted once the store has taken it.
    void save();

    QLineEdit* txtName = nullptr;
    QComboBox* cboPort = nullptr;
    QLineEdit* txtGroup = nullptr;
    QLabel* lblError = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

Q_SIGNALS:
    // The store answered (accepted or not): for tests.
    void saveEnded();

private:
    void fillPorts(const QString& dataDir);
    void showError(const QString& text);

    fleet::StoreWorker& m_store;
    QTimer m_stall;    // no answer from the store for this long: it is shown as unreachable
    QString m_dataDir; // where the port numbers resolve
    std::optional<fleet::Site> m_site;
    bool m_saving = false;
};
