#pragma once

#include "link/Exchange.h"

#include <QDialog>

#include <deque>

class Prompts;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace session {
class LineLog;
}

// The line monitor: every exchange since start (at most the log's 2000), following new ones
// live. A row shows the local time, the port and what it reaches, the exchange, its outcome and
// the bytes out and in; the selected row's bytes are explained one by one below. Not modal: it
// stays open beside the panel.
class frmLineMonitor : public QDialog
{
    Q_OBJECT

public:
    frmLineMonitor(session::LineLog& log, Prompts& prompts, QWidget* parent = nullptr);

    QTableWidget* tblExchanges = nullptr;
    QTreeWidget* treeBytes = nullptr;
    QPushButton* cmdSave = nullptr;

    void saveLog();

private:
    void addRow(const lnk::ExchangeResult& result);
    void showBytes();

    session::LineLog& m_log;
    Prompts& m_prompts;
    std::deque<lnk::ExchangeResult> m_rows;
};
