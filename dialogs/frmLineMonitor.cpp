#include "dialogs/frmLineMonitor.h"

#include "dialogs/ExchangeTable.h"
#include "dialogs/Prompts.h"
#include "link/ByteMeaning.h"
#include "session/PanelSession.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

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

frmLineMonitor::frmLineMonitor(session::PanelSession& session, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts),
      m_table(new ExchangeTable(session.lineLog(), this))
{
    setObjectName(QStringLiteral("frmLineMonitor"));
    setWindowTitle(QStringLiteral("Line monitor"));
    setModal(false);

    tblExchanges = new QTableView(this);
    tblExchanges->setObjectName(QStringLiteral("tblExchanges"));
    tblExchanges->setAccessibleName(QStringLiteral("Exchanges"));
    tblExchanges->setModel(m_table);
    tblExchanges->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblExchanges->setSelectionMode(QAbstractItemView::SingleSelection);
    tblExchanges->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblExchanges->verticalHeader()->setVisible(false);
    tblExchanges->verticalHeader()->setDefaultSectionSize(tblExchanges->fontMetrics().height() + 6);
    tblExchanges->horizontalHeader()->setSectionResizeMode(ExchangeTable::Out,
                                                           QHeaderView::Stretch);
    tblExchanges->horizontalHeader()->setSectionResizeMode(ExchangeTable::In, QHeaderView::Stretch);
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

    // Follows new exchanges while the operator looks at the latest ones.
    connect(m_table, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* bar = tblExchanges->verticalScrollBar();
        m_atEnd = bar->value() == bar->maximum();
    });
    connect(m_table, &QAbstractItemModel::rowsInserted, this, &frmLineMonitor::followNewRows);
    connect(tblExchanges->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmLineMonitor::showBytes);
}

void frmLineMonitor::followNewRows()
{
    if (m_atEnd) {
        tblExchanges->scrollToBottom();
    }
}

void frmLineMonitor::showBytes()
{
    treeBytes->clear();
    const QModelIndexList selected = tblExchanges->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const lnk::ExchangeResult& r = m_table->exchange(selected.first().row());
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
    request.directory = QFileInfo(m_session.lineLog().path()).absolutePath();
    request.fileName = QStringLiteral("line-monitor.txt");
    request.extension = QStringLiteral(".txt");
    request.confirmOverwrite = true;
    const std::optional<QString> path = m_prompts.saveFile(request);
    if (!path || path->isEmpty()) {
        return;
    }
    QByteArray text;
    for (const lnk::ExchangeResult& r : m_session.lineLog().exchanges()) {
        text += session::logLine(r).toUtf8() + '\n';
    }
    if (const auto error = m_session.writeTextFile(*path, text)) {
        m_prompts.message(error->description(), kMessageTitle, PromptIcon::Exclamation);
    }
}
