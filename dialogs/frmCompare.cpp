#include "dialogs/frmCompare.h"

#include "dialogs/Prompts.h"
#include "session/PanelSession.h"
#include "storage/ParameterFile.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kDiffers(255, 210, 210);

QString nameOf(model::Member m)
{
    const std::string_view n = model::info(m).name;
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

QPushButton* button(const char* name, const QString& text, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString differencesText(int n)
{
    if (n == 0) {
        return QStringLiteral("No differences");
    }
    return n == 1 ? QStringLiteral("1 difference") : QStringLiteral("%1 differences").arg(n);
}

} // namespace

frmCompare::frmCompare(session::PanelSession& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare with processor"));

    tblValues = new QTableWidget(0, 4, this);
    tblValues->setObjectName(QStringLiteral("tblValues"));
    tblValues->setAccessibleName(QStringLiteral("Panel and processor values"));
    tblValues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblValues->setSelectionMode(QAbstractItemView::NoSelection);
    tblValues->verticalHeader()->setVisible(false);
    tblValues->verticalHeader()->setDefaultSectionSize(tblValues->fontMetrics().height() + 6);
    tblValues->horizontalHeader()->setStretchLastSection(true);
    lblDifferences = new QLabel(QStringLiteral("Asking the processor..."), this);
    lblDifferences->setObjectName(QStringLiteral("lblDifferences"));

    cmdTake = button("cmdTake", QStringLiteral("Take processor's values"), this);
    cmdSend = button("cmdSend", QStringLiteral("Send panel to processor"), this);
    cmdFile = button("cmdFile", QStringLiteral("Compare with file..."), this);
    cmdClose = button("cmdClose", QStringLiteral("Close"), this);
    cmdTake->setEnabled(false);
    connect(cmdTake, &QPushButton::clicked, this, &frmCompare::take);
    connect(cmdSend, &QPushButton::clicked, &m_session, &session::PanelSession::sendDay);
    connect(cmdFile, &QPushButton::clicked, this, &frmCompare::chooseFile);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdTake, cmdSend, cmdFile}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblDifferences);
    layout->addWidget(tblValues);
    layout->addLayout(buttons);
    resize(520, 640);

    connect(&m_session, &session::PanelSession::exchangeFinished, this,
            &frmCompare::onExchangeFinished);
    // The panel may change meanwhile (taken values, an exchange): the table follows.
    connect(&m_session, &session::PanelSession::parametersChanged, this, &frmCompare::refresh);
}

void frmCompare::compareWithProcessor()
{
    m_waiting = true;
    lblDifferences->setText(QStringLiteral("Asking the processor..."));
    m_session.upload(session::ReplyUse::ReportOnly);
}

void frmCompare::onExchangeFinished(const lnk::ExchangeResult& result)
{
    if (!m_waiting || result.kind != lnk::ExchangeKind::UploadByLength) {
        return;
    }
    m_waiting = false;
    if (!result.ok() || !result.layout) {
        // The panel shows the upload's failure message; the table stays as it was.
        lblDifferences->setText(QStringLiteral("No usable reply from the processor"));
        return;
    }
    m_source = Source::Processor;
    m_layout = result.layout;
    m_reply = result.reply();
    m_members.clear();
    for (int off = 0; off < lnk::replySize(*m_layout); ++off) {
        if (const std::optional<model::Member> m = lnk::memberAtReply(*m_layout, off)) {
            m_members.append(*m);
        }
    }
    // The values as the upload would leave them on the panel.
    model::ParameterSet applied;
    applied.restore(m_session.params().values());
    lnk::applyReply(*m_layout, m_reply, applied);
    m_other = applied.values();
    refresh();
}

void frmCompare::compareWithFile(const QString& path)
{
    model::ParameterSet file;
    if (const auto error = storage::readParameterFile(path, file)) {
        m_prompts.message(error->description(), QStringLiteral("OrvexDAB"),
                          PromptIcon::Exclamation);
        return;
    }
    m_source = Source::File;
    m_other = file.values();
    m_members.clear();
    for (const model::MemberInfo& i : model::members()) {
        if (i.fileLine != model::kAbsent) {
            m_members.append(i.member);
        }
    }
    setWindowTitle(QStringLiteral("Compare with file"));
    refresh();
}

void frmCompare::refresh()
{
    if (m_source == Source::None) {
        return;
    }
    const bool processor = m_source == Source::Processor;
    tblValues->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("Panel"),
         processor ? QStringLiteral("Processor") : QStringLiteral("File"), QString()});
    tblValues->setRowCount(static_cast<int>(m_members.size()));
    m_differences = 0;
    for (int row = 0; row < m_members.size(); ++row) {
        const model::Member m = m_members[row];
        const int panel = m_session.params().value(m);
        const int other = m_other[model::index(m)];
        const bool differs = panel != other;
        m_differences += differs ? 1 : 0;
        const QStringList cells{nameOf(m), QString::number(panel), QString::number(other),
                                differs ? QStringLiteral("differs") : QString()};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (differs) {
                item->setBackground(kDiffers);
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            tblValues->setItem(row, c, item);
        }
    }
    lblDifferences->setText(differencesText(m_differences));
    cmdTake->setEnabled(processor && m_differences > 0);
}

void frmCompare::take()
{
    if (m_source != Source::Processor || !m_layout) {
        return;
    }
    m_session.applyReply(*m_layout, m_reply);
    Q_EMIT valuesTaken();
}

void frmCompare::chooseFile()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Compare with file");
    request.directory = m_session.dataDir();
    request.fileName = QStringLiteral("Noname");
    request.extension = QStringLiteral(".DAB");
    request.mustExist = true;
    if (const std::optional<QString> path = m_prompts.openFile(request); path && !path->isEmpty()) {
        compareWithFile(*path);
    }
}
