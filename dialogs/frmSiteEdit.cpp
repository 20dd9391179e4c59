#include "dialogs/frmSiteEdit.h"

#include "dialogs/SiteTexts.h"
#include "session/PortAccess.h"
#include "session/PortText.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmSiteEdit::frmSiteEdit(fleet::StoreWorker& store, const QString& dataDir,
                         std::optional<fleet::Site> site, QWidget* parent)
    : QDialog(parent), m_store(store), m_dataDir(dataDir), m_site(std::move(site))
{
    setObjectName(QStringLiteral("frmSiteEdit"));
    setWindowTitle(m_site ? QStringLiteral("Edit site %1").arg(m_site->name)
                          : QStringLiteral("Add site"));

    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setAccessibleName(QStringLiteral("Name"));
    txtName->setAccessibleDescription(QStringLiteral("The site's name"));
    txtName->setMaxLength(64);
    cboPort = new QComboBox(this);
    cboPort->setObjectName(QStringLiteral("cboPort"));
    cboPort->setAccessibleName(QStringLiteral("Port"));
    cboPort->setEditable(true);
    cboPort->setInsertPolicy(QComboBox::NoInsert);
    cboPort->setMinimumContentsLength(28);
    txtGroup = new QLineEdit(this);
    txtGroup->setObjectName(QStringLiteral("txtGroup"));
    txtGroup->setAccessibleName(QStringLiteral("Group"));
    txtGroup->setMaxLength(64);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setAccessibleName(QStringLiteral("Problem"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #a00000"));

    fillPorts(dataDir);
    if (m_site) {
        txtName->setText(m_site->name);
        cboPort->setEditText(m_site->port);
        txtGroup->setText(m_site->group);
    } else {
        cboPort->setEditText(QString());
    }

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdOK->setAccessibleDescription(QStringLiteral("Save the site"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAccessibleName(QStringLiteral("Cancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmSiteEdit::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Name:"), txtName);
    form->addRow(QStringLiteral("&Port:"), cboPort);
    form->addRow(QStringLiteral("&Group:"), txtGroup);
    auto* hint = new QLabel(
        QStringLiteral("A port number, a device, tcp://HOST:PORT or rfc2217://HOST:PORT"), this);
    hint->setObjectName(QStringLiteral("lblPortHint"));
    hint->setEnabled(false);
    form->addRow(QString(), hint);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lblError);
    layout->addLayout(buttons);

    m_stall.setSingleShot(true);
    m_stall.setInterval(sitetexts::kStoreStall);
    connect(&m_stall, &QTimer::timeout, this,
            [this] { showError(sitetexts::noAnswerText(m_store.location().display())); });
}

void frmSiteEdit::fillPorts(const QString& dataDir)
{
    // The same list the port dialog and the tool show: the numbers that reach something, then
    // the serial devices no number reaches, named by their path.
    for (const lnk::PortRow& row : session::portListing(dataDir).rows) {
        if (row.stale || row.missing || !row.problem.isEmpty()) {
            continue;
        }
        cboPort->addItem(row.number ? QString::number(*row.number) : row.reaches);
        const QString about = row.description.isEmpty()
                                  ? row.reaches
                                  : row.reaches + QStringLiteral(": ") + row.description;
        cboPort->setItemData(cboPort->count() - 1,
                             row.number ? QStringLiteral("COM%1: %2").arg(*row.number).arg(about)
                                        : about,
                             Qt::ToolTipRole);
    }
}

QString frmSiteEdit::problem() const
{
    const QString name = txtName->text();
    if (const QString why = fleet::nameProblem(name); !why.isEmpty()) {
        return why;
    }
    const QString port = cboPort->currentText().trimmed();
    if (port.isEmpty()) {
        return QStringLiteral("A site needs a port.");
    }
    if (const session::PortParse parsed = session::parsePort(port); !parsed.error.isEmpty()) {
        return parsed.error;
    }
    const QString group = txtGroup->text();
    if (!group.isEmpty()) {
        if (const QString why = fleet::nameProblem(group, QStringLiteral("group name"));
            !why.isEmpty()) {
            return why;
        }
    }
    return {};
}

void frmSiteEdit::showError(const QString& text)
{
    lblError->setText(text);
    lblError->setAccessibleDescription(text);
}

void frmSiteEdit::save()
{
    if (m_saving) {
        return;
    }
    if (const QString why = problem(); !why.isEmpty()) {
        showError(why);
        return;
    }
    const QString name = txtName->text();
    const QString port =
        session::portText(session::parsePort(cboPort->currentText().trimmed()).port);
    const QString group = txtGroup->text();
    const std::optional<fleet::Site> old = m_site;
    m_saving = true;
    cmdOK->setEnabled(false);
    showError(QString());
    m_stall.start();
    m_store.call<std::optional<fleet::StoreError>>(
        this,
        [old, name, port, group](fleet::Store& s) -> std::optional<fleet::StoreError> {
            if (!old) {
                return s.addSite(name, port, group).error;
            }
            fleet::SiteChange change;
            if (port != old->port) {
                change.port = port;
            }
            if (group != old->group) {
                change.group = group;
            }
            if (name != old->name) {
                change.name = name;
            }
            return s.changeSite(old->name, change).error;
        },
        [this](const std::optional<fleet::StoreError>& error) {
            m_stall.stop();
            m_saving = false;
            cmdOK->setEnabled(true);
            if (error) {
                showError(error->message);
            } else {
                accept();
            }
            Q_EMIT saveEnded();
        });
}
