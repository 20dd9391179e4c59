#include "dialogs/frmCompare.h"

#include "dialogs/Prompts.h"
#include "session/Comparison.h"
#include "session/PanelSession.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kDiffers(255, 210, 210);

QString text(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// A menu caption's access key marks and trailing blanks are no part of its name.
QString caption(std::string_view s)
{
    return text(s).remove(QLatin1Char('&')).trimmed();
}

enum Column
{
    Group,
    Parameter,
    Panel,
    Other,
    Mark,
    ColumnCount,
};

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
    return session::differencesWord(n);
}

} // namespace

frmCompare::frmCompare(session::PanelSession& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare with processor"));

    tblValues = new QTableWidget(0, ColumnCount, this);
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
    // As received: the panel's change rules are no part of what the processor holds.
    m_other = session::CarriedValues::ofReply(*m_layout, m_reply);
    refresh();
}

void frmCompare::compareWithFile(const QString& path)
{
    const auto file = m_session.peekParameterFile(path);
    if (!file.ok()) {
        m_prompts.message(file.error->description(), kMessageTitle, PromptIcon::Exclamation);
        return;
    }
    m_source = Source::File;
    m_other = session::CarriedValues::ofFile(file.value);
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
        {QStringLiteral("Group"), QStringLiteral("Parameter"), QStringLiteral("Panel"),
         processor ? QStringLiteral("Processor") : QStringLiteral("File"), QString()});
    const session::CarriedValues panel =
        session::CarriedValues::ofPanel(m_session.params().values());
    const QList<model::Member> rows = session::compared(m_other, panel);
    tblValues->setRowCount(static_cast<int>(rows.size()));
    m_differences = static_cast<int>(session::differences(m_other, panel).size());
    for (int row = 0; row < rows.size(); ++row) {
        const model::Member m = rows[row];
        const model::MemberInfo& info = model::info(m);
        const int ours = *panel.value(m);
        const int theirs = *m_other.value(m);
        const bool differs = ours != theirs;
        QStringList cells(ColumnCount);
        cells[Group] = caption(info.group);
        cells[Parameter] = caption(info.meaning);
        cells[Panel] = QString::number(ours);
        cells[Other] = QString::number(theirs);
        cells[Mark] = differs ? QStringLiteral("differs") : QString();
        for (int c = 0; c < ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            // Scripts and files know the parameter by its member name.
            item->setToolTip(text(info.name));
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
    FileDialogRequest request =
        FileDialogRequest::parameterFile(QStringLiteral("Compare with file"), m_session.dataDir());
    request.mustExist = true;
    if (const std::optional<QString> path = m_prompts.openFile(request); path && !path->isEmpty()) {
        compareWithFile(*path);
    }
}
