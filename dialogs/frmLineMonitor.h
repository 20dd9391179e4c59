#pragma once

#include <QDialog>

class ExchangeTable;
class Prompts;
class QPushButton;
class QTableView;
class QTreeWidget;

namespace session {
class PanelSession;
}

// The line monitor: every exchange since start (at most the log's 2000), following new ones
// live. A row shows the local time, the port and what it reaches, the exchange, its outcome and
// the bytes out and in; the selected row's bytes are explained one by one below. Not modal: it
// stays open beside the panel.
class frmLineMonitor : public QDialog
{
    Q_OBJECT

public:
    frmLineMonitor(session::PanelSession& session, Prompts& prompts, QWidget* parent = nullptr);

    QTableView* tblExchanges = nullptr;
    QTreeWidget* treeBytes = nullptr;
    QPushButton* cmdSave = nullptr;

    void saveLog();

private:
    void followNewRows();
    void showBytes();

    session::PanelSession& m_session;
    Prompts& m_prompts;
    ExchangeTable* m_table = nullptr;
    bool m_atEnd = true;
};
