#include "dialogs/frmLineMonitor.h"

#include "dialogs/Prompts.h"
#include "link/ByteMeaning.h"
#include "session/LineLog.h"
#include "storage/AtomicWrite.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column
{
    Time,
    Port,
    Reaches,
    Exchange,
    Outcome,
    Out,
    In,
    ColumnCount,
};

QString outcomeShown(const lnk::ExchangeResult& r)
{
    QString text = session::outcomeText(r);
    if (!r.ok() && !r.detail.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(r.detail);
    }
    return text;
}

QTreeWidgetItem* byteGroup(QTreeWidget* tree, const QString& caption, const QByteArray& bytes,
                           const std::function<QString(int)>& meaning)
{
    auto* group =
        new QTreeWidgetItem(tree, {QStringLiteral("%1 (%2 bytes)").arg(caption).arg(bytes.size())});
    for (int i = 0; i < bytes.size(); ++i) {
        new QTreeWidgetItem(group, {QString::number(i), lnk::hexBytes(bytes.mid(i, 1)),
                                    QString::number(static_cast<quint8>(bytes.at(i))), meaning(i)});
    }
    group->setExpanded(true);
    return group;
}

} // namespace

frmLineMonitor::frmLineMonitor(session::LineLog& log, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_log(log), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmLineMonitor"));
    setWindowTitle(QStringLiteral("Line monitor"));
    setModal(false);

    tblExchanges = new QTableWidget(0, ColumnCount, this);
    tblExchanges->setObjectName(QStringLiteral("tblExchanges"));
    tblExchanges->setAccessibleName(QStringLiteral("Exchanges"));
    tblExchanges->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Port"),
                                             QStringLiteral("Reaches"), QStringLiteral("Exchange"),
                                             QStringLiteral("Outcome"), QStringLiteral("Out"),
                                             QStringLiteral("In")});
    tblExchanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblExchanges->setSelectionMode(QAbstractItemView::SingleSelection);
    tblExchanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblExchanges->verticalHeader()->setVisible(false);
    tblExchanges->verticalHeader()->setDefaultSectionSize(tblExchanges->fontMetrics().height() + 6);
    tblExchanges->horizontalHeader()->setSectionResizeMode(Out, QHeaderView::Stretch);
    tblExchanges->horizontalHeader()->setSectionResizeMode(In, QHeaderView::Stretch);
    QFont mono = tblExchanges->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    tblExchanges->setFont(mono);

    treeBytes = new QTreeWidget(this);
    treeBytes->setObjectName(QStringLiteral("treeBytes"));
    treeBytes->setAccessibleName(QStringLiteral("Bytes of the selected exchange"));
    treeBytes->setHeaderLabels({QStringLiteral("Byte"), QStringLiteral("Hex"),
                                QStringLiteral("Value"), QStringLiteral("Meaning")});
    treeBytes->setFont(mono);

    cmdSave = new QPushButton(QStringLiteral("Save log..."), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setAutoDefault(false);
    auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    connect(cmdSave, &QPushButton::clicked, this, &frmLineMonitor::saveLog);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(tblExchanges);
    split->addWidget(treeBytes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    layout->addLayout(buttons);
    resize(900, 560);

    for (const lnk::ExchangeResult& r : m_log.exchanges()) {
        addRow(r);
    }
    connect(&m_log, &session::LineLog::appended, this, &frmLineMonitor::addRow);
    connect(tblExchanges, &QTableWidget::itemSelectionChanged, this, &frmLineMonitor::showBytes);
}

void frmLineMonitor::addRow(const lnk::ExchangeResult& r)
{
    // Follows new exchanges while the operator looks at the latest ones.
    QScrollBar* bar = tblExchanges->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    if (m_rows.size() >= session::kExchangesKept) {
        m_rows.pop_front();
        tblExchanges->removeRow(0);
    }
    m_rows.push_back(r);
    const int row = tblExchanges->rowCount();
    tblExchanges->insertRow(row);
    const QStringList cells{r.startedAt.toString(QStringLiteral("HH:mm:ss.zzz")),
                            r.port,
                            r.target,
                            lnk::kindName(r.kind, r.command),
                            outcomeShown(r),
                            lnk::hexBytes(r.sent),
                            lnk::hexBytes(r.received)};
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setToolTip(cells[c]);
        tblExchanges->setItem(row, c, item);
    }
    if (atEnd) {
        tblExchanges->scrollToBottom();
    }
}

void frmLineMonitor::showBytes()
{
    treeBytes->clear();
    const QList<QTableWidgetItem*> selected = tblExchanges->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const lnk::ExchangeResult& r = m_rows[static_cast<std::size_t>(selected.first()->row())];
    byteGroup(treeBytes, QStringLiteral("Out"), r.sent,
              [&r](int i) { return lnk::sentByteMeaning(r, i); });
    byteGroup(treeBytes, QStringLiteral("In"), r.received,
              [&r](int i) { return lnk::receivedByteMeaning(r, i); });
    treeBytes->resizeColumnToContents(0);
}

void frmLineMonitor::saveLog()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Save line log");
    request.directory = QFileInfo(m_log.path()).absolutePath();
    request.fileName = QStringLiteral("line-monitor.txt");
    request.extension = QStringLiteral(".txt");
    request.confirmOverwrite = true;
    const std::optional<QString> path = m_prompts.saveFile(request);
    if (!path || path->isEmpty()) {
        return;
    }
    QByteArray text;
    for (const lnk::ExchangeResult& r : m_rows) {
        text += session::logLine(r).toUtf8() + '\n';
    }
    if (const auto error = storage::writeFileAtomically(*path, text)) {
        m_prompts.message(error->description(), QStringLiteral("OrvexDAB"),
                          PromptIcon::Exclamation);
    }
}
