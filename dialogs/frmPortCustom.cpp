#include "dialogs/frmPortCustom.h"

#include "dialogs/Prompts.h"
#include "link/PortListing.h"
#include "link/PortMap.h"
#include "link/PortNames.h"
#include "session/PanelSession.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

QString describe(const lnk::PortRow& r, const QString& dataDir)
{
    switch (r.kind) {
    case lnk::PortRowKind::Map:
        return QStringLiteral("ports.ini: ") + r.reaches +
               (r.problem.isEmpty() ? QString() : QStringLiteral(" (unusable)"));
    case lnk::PortRowKind::Link: {
        const QString target = r.stale     ? QStringLiteral("%1 (stale)").arg(r.target)
                               : r.missing ? QStringLiteral("%1 (missing)").arg(r.target)
                                           : r.reaches;
        return QStringLiteral("%1 -> %2").arg(QDir(dataDir).relativeFilePath(r.linkPath), target);
    }
    case lnk::PortRowKind::System:
        break;
    }
    return r.description.isEmpty() ? r.reaches
                                   : QStringLiteral("%1  (%2)").arg(r.reaches, r.description);
}

QString numberColumn(std::optional<int> n)
{
    return n ? QString::number(*n).leftJustified(5) : QStringLiteral("-").leftJustified(5);
}

} // namespace

frmPortCustom::frmPortCustom(int portNo, session::PanelSession& session, Prompts& prompts,
                             QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmPortCustom"));
    setWindowTitle(QStringLiteral("Other port number (for USB)"));
    setModal(true);

    Label1 = new QLabel(
        QStringLiteral("Input Custom Port Number (1-16, in this case 3, as COM3)) :"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    txtCustom = new QLineEdit(this);
    txtCustom->setObjectName(QStringLiteral("txtCustom"));
    txtCustom->setText(QString::number(portNo));
    Label1->setBuddy(txtCustom);

    // The number's own address, saved in ports.ini: a network serial server or another device.
    auto* addressCaption = new QLabel(
        QStringLiteral("Address for this number (tcp://HOST:PORT, rfc2217://HOST:PORT or a "
                       "device; empty: none):"),
        this);
    addressCaption->setObjectName(QStringLiteral("lblAddress"));
    addressCaption->setWordWrap(true);
    txtAddress = new QLineEdit(this);
    txtAddress->setObjectName(QStringLiteral("txtAddress"));
    txtAddress->setAccessibleName(QStringLiteral("Address for this number"));
    addressCaption->setBuddy(txtAddress);
    showMappedAddress();
    connect(txtCustom, &QLineEdit::textEdited, this, &frmPortCustom::showMappedAddress);

    Label2 = new QLabel(
        QStringLiteral(
            "If use Direct USB or IP connection with Orvex, install USB or IP Driver, then find "
            "(Control Panels, System, Hardware, Device Manager, Ports) USB (IP) Serial Port Number "
            "(in our example it is 3). Input this Number to Custom Port Number. (If Com number is "
            "greater than 16, manually change it to range 1-16, please)"),
        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    cmdEXIT = new QPushButton(QStringLiteral("Save and Exit"), this);
    cmdEXIT->setObjectName(QStringLiteral("cmdEXIT"));
    cmdEXIT->setDefault(true);
    connect(cmdEXIT, &QPushButton::clicked, this, &frmPortCustom::cmdEXIT_Click);

    auto* portsCaption =
        new QLabel(QStringLiteral("Ports (number to type, what it reaches):"), this);
    lstPorts = new QListWidget(this);
    lstPorts->setObjectName(QStringLiteral("lstPorts"));
    lstPorts->setSelectionMode(QAbstractItemView::NoSelection);
    lstPorts->setFocusPolicy(Qt::NoFocus);
    QFont mono = lstPorts->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    lstPorts->setFont(mono);
    listPorts();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtCustom);
    layout->addWidget(addressCaption);
    layout->addWidget(txtAddress);
    layout->addWidget(Label2);
    layout->addWidget(cmdEXIT);
    layout->addSpacing(8);
    layout->addWidget(portsCaption);
    layout->addWidget(lstPorts);
    resize(480, 360);
}

std::optional<int> frmPortCustom::parsePortNumber(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,3}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch()) {
        return std::nullopt;
    }
    const int n = t.toInt();
    return n <= 255 ? std::optional<int>(n) : std::nullopt;
}

void frmPortCustom::cmdEXIT_Click()
{
    const std::optional<int> n = parsePortNumber(txtCustom->text());
    if (!n) {
        m_prompts.message(
            QStringLiteral("\"%1\" is not a port number. Please type a whole number from 0 to "
                           "255 (1-16 as a rule).")
                .arg(txtCustom->text()),
            QStringLiteral("OrvexDAB"), PromptIcon::Exclamation);
        txtCustom->setFocus();
        txtCustom->selectAll();
        return;
    }
    const QString address = txtAddress->text().trimmed();
    if (const lnk::PortAddress a = lnk::parsePortAddress(address);
        !address.isEmpty() && !a.usable()) {
        m_prompts.message(a.error + QStringLiteral(". Nothing was saved."),
                          QStringLiteral("OrvexDAB"), PromptIcon::Exclamation);
        txtAddress->setFocus();
        txtAddress->selectAll();
        return;
    }
    m_chosen = *n;
    m_chosenAddress = address;
    accept();
}

void frmPortCustom::showMappedAddress()
{
    const std::optional<int> n = parsePortNumber(txtCustom->text());
    txtAddress->setText(n ? m_session.mappedAddress(*n).value_or(QString()) : QString());
}

void frmPortCustom::listPorts()
{
    const lnk::PortListing listing = m_session.portListing();
    if (!listing.mapUsable()) {
        lstPorts->addItem(QStringLiteral("ports.ini: unusable (%1)").arg(listing.mapError));
    }
    for (const lnk::PortRow& r : listing.rows) {
        lstPorts->addItem(numberColumn(r.number) + describe(r, m_session.dataDir()));
    }
    if (lstPorts->count() == 0) {
        lstPorts->addItem(QStringLiteral("No serial ports found."));
    }
}
