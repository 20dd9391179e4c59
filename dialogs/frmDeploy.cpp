#include "dialogs/frmDeploy.h"

#include "dialogs/DeployModel.h"
#include "dialogs/SiteWidgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

using dialogs::siteButton;
using dialogs::siteTable;

namespace {

QCheckBox* checkBox(const char* name, const QString& text, QWidget* parent)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    c->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return c;
}

// A field with its label: a screen reader names it by the label's words.
template <class Field>
Field* field(const char* name, const QString& label, QFormLayout* form, QWidget* parent)
{
    auto* f = new Field(parent);
    f->setObjectName(QLatin1String(name));
    auto* l = new QLabel(label, parent);
    l->setBuddy(f);
    f->setAccessibleName(QString(label).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    form->addRow(l, f);
    return f;
}

QString targetsText(const fleet::Selection& targets)
{
    if (targets.all || (targets.names.isEmpty() && targets.group.isEmpty())) {
        return QStringLiteral("Sites: all");
    }
    if (!targets.group.isEmpty()) {
        return QStringLiteral("Sites: group %1").arg(targets.group);
    }
    return QStringLiteral("Sites: %1").arg(targets.names.join(QStringLiteral(", ")));
}

} // namespace

frmDeploy::frmDeploy(fleet::StoreWorker& store, fleet::LinkSetup link, Prompts& prompts,
                     fleet::Selection targets, QWidget* parent)
    : QDialog(parent), m_store(store), m_link(std::move(link)), m_prompts(prompts),
      m_targets(std::move(targets))
{
    if (!m_targets.all && m_targets.names.isEmpty() && m_targets.group.isEmpty()) {
        m_targets.all = true;
    }
    setObjectName(QStringLiteral("frmDeploy"));
    setWindowTitle(QStringLiteral("Deploy"));
    setWindowFlag(Qt::Window);
    setModal(false);

    lblTargets = new QLabel(targetsText(m_targets), this);
    lblTargets->setObjectName(QStringLiteral("lblTargets"));
    lblTargets->setWordWrap(true);

    auto* form = new QFormLayout;
    auto* sourceRow = new QHBoxLayout;
    edtSource = new QLineEdit(this);
    edtSource->setObjectName(QStringLiteral("edtSource"));
    edtSource->setAccessibleName(QStringLiteral("Source"));
    edtSource->setAccessibleDescription(
        QStringLiteral("A parameter file, SITE:VERSION or SITE:reference"));
    edtSource->setPlaceholderText(
        QStringLiteral("a parameter file, SITE:VERSION or SITE:reference"));
    cmdBrowse = siteButton("cmdBrowse", QStringLiteral("Browse..."),
                           QStringLiteral("Choose a parameter file to deploy"), this);
    sourceRow->addWidget(edtSource, 1);
    sourceRow->addWidget(cmdBrowse);
    auto* sourceLabel = new QLabel(QStringLiteral("&Source:"), this);
    sourceLabel->setBuddy(edtSource);
    form->addRow(sourceLabel, sourceRow);
    // A night sound carries only the night frame's values: the operator says which frame.
    optDay = new QRadioButton(QStringLiteral("&Day"), this);
    optDay->setObjectName(QStringLiteral("optDay"));
    optDay->setAccessibleName(QStringLiteral("Day layout"));
    optDay->setChecked(true);
    optNight = new QRadioButton(QStringLiteral("&Night"), this);
    optNight->setObjectName(QStringLiteral("optNight"));
    optNight->setAccessibleName(QStringLiteral("Night layout"));
    auto* layoutRow = new QHBoxLayout;
    layoutRow->addWidget(optDay);
    layoutRow->addWidget(optNight);
    layoutRow->addStretch();
    form->addRow(new QLabel(QStringLiteral("Layout:"), this), layoutRow);
    spnCanaries = field<QSpinBox>("spnCanaries", QStringLiteral("&Canary sites:"), form, this);
    spnCanaries->setRange(0, 9999);
    spnCanaries->setValue(1);
    spnCanaries->setAccessibleDescription(
        QStringLiteral("Sites sent one at a time first; one that is not verified stops the run"));
    edtNote = field<QLineEdit>("edtNote", QStringLiteral("&Note:"), form, this);
    chkContinue = checkBox("chkContinue", QStringLiteral("Continue after failures"), this);
    chkSave = checkBox("chkSave", QStringLiteral("Save after verifying"), this);
    chkApprove = checkBox("chkApprove", QStringLiteral("Approve as reference"), this);
    auto* checks = new QHBoxLayout;
    for (QCheckBox* c : {chkContinue, chkSave, chkApprove}) {
        checks->addWidget(c);
    }
    checks->addStretch();

    m_model = new DeployModel(this);
    tblSites = siteTable("tblSites", QStringLiteral("Sites to deploy to"), this);
    tblSites->setModel(m_model);
    tblSites->setColumnWidth(DeployModel::Site, 120);
    tblSites->setColumnWidth(DeployModel::Differences, 130);
    tblSites->setColumnWidth(DeployModel::Change, 380);

    lblStatus = new QLabel(QStringLiteral("Choose a source, then Preview"), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAccessibleName(QStringLiteral("Deploy status"));
    lblStatus->setWordWrap(true);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    cmdPreview = siteButton("cmdPreview", QStringLiteral("Preview"),
                            QStringLiteral("Show what the deploy would change at each site"), this);
    cmdDeploy = siteButton("cmdDeploy", QStringLiteral("Deploy"),
                           QStringLiteral("Send the previewed sound to the sites"), this);
    cmdStop = siteButton("cmdStop", QStringLiteral("Stop"),
                         QStringLiteral("Start no new site; sites in flight finish"), this);
    cmdClose = siteButton("cmdClose", QStringLiteral("Close"),
                          QStringLiteral("Close the deploy window"), this);

    connect(cmdBrowse, &QPushButton::clicked, this, &frmDeploy::browse);
    connect(cmdPreview, &QPushButton::clicked, this, &frmDeploy::preview);
    connect(cmdDeploy, &QPushButton::clicked, this, &frmDeploy::deploy);
    connect(cmdStop, &QPushButton::clicked, this, &frmDeploy::stop);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    // A preview holds its options: changing one asks for a new preview.
    connect(edtSource, &QLineEdit::textChanged, this, &frmDeploy::discardPreview);
    connect(optNight, &QRadioButton::toggled, this, &frmDeploy::discardPreview);
    connect(spnCanaries, &QSpinBox::valueChanged, this, &frmDeploy::discardPreview);
    connect(edtNote, &QLineEdit::textEdited, this, &frmDeploy::discardPreview);
    for (QCheckBox* c : {chkContinue, chkSave, chkApprove}) {
        connect(c, &QCheckBox::toggled, this, &frmDeploy::discardPreview);
    }

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdPreview, cmdDeploy, cmdStop}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTargets);
    layout->addLayout(form);
    layout->addLayout(checks);
    layout->addWidget(tblSites, 1);
    layout->addWidget(lblStatus);
    layout->addLayout(buttons);
    resize(900, 520);
    updateControls();
}

frmDeploy::~frmDeploy() = default;

void frmDeploy::setSource(const QString& source, lnk::Layout layout)
{
    edtSource->setText(source);
    (layout == lnk::Layout::Night ? optNight : optDay)->setChecked(true);
}

void frmDeploy::setRevert(qint64 id)
{
    m_revert = id;
    setWindowTitle(QStringLiteral("Revert deploy %1").arg(id));
    lblTargets->setText(
        QStringLiteral("Sites deploy %1 reached go back to their versions from before it").arg(id));
    edtSource->setText(QStringLiteral("revert %1").arg(id));
}

void frmDeploy::setStatus(const QString& text)
{
    lblStatus->setText(text);
    lblStatus->setAccessibleDescription(text);
}

void frmDeploy::updateControls()
{
    const bool idle = !m_running;
    const bool free = idle && !m_revert;
    edtSource->setEnabled(free);
    cmdBrowse->setEnabled(free);
    optDay->setEnabled(free);
    optNight->setEnabled(free);
    for (QWidget* w :
         std::initializer_list<QWidget*>{spnCanaries, edtNote, chkContinue, chkSave, chkApprove}) {
        w->setEnabled(idle);
    }
    cmdPreview->setEnabled(idle && (m_revert || !edtSource->text().trimmed().isEmpty()));
    const int n = m_planned ? m_run->currentPlan().toSend() : 0;
    // The count is only known from a preview; without one the button says no number.
    cmdDeploy->setText(!m_planned ? QStringLiteral("Deploy")
                       : n == 1   ? QStringLiteral("Deploy to 1 site")
                                  : QStringLiteral("Deploy to %1 sites").arg(n));
    cmdDeploy->setAccessibleName(cmdDeploy->text());
    cmdDeploy->setEnabled(idle && m_planned && n > 0);
    cmdStop->setEnabled(m_running && !m_stopAsked);
}

void frmDeploy::reject()
{
    if (m_running) {
        m_closeWhenDone = true;
        hide();
        return;
    }
    QDialog::reject();
}

void frmDeploy::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        m_closeWhenDone = true;
        event->ignore();
        hide();
        return;
    }
    QDialog::closeEvent(event);
}
