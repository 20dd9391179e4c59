#pragma once

#include "link/Exchange.h"
#include "session/Comparison.h"

#include <QDialog>

#include <optional>

class Prompts;
class QLabel;
class QPushButton;
class QTableWidget;

namespace session {
class PanelSession;
}

// Compare with processor: one upload request whose reply is taken by its length and shown beside
// the panel, nothing applied, before anything is written. Every parameter the reply carries is
// one row (group, caption, panel value, processor value as received), the differing rows marked
// and counted. A parameter file can be set against the panel the same way.
class frmCompare : public QDialog
{
    Q_OBJECT

public:
    frmCompare(session::PanelSession& session, Prompts& prompts, QWidget* parent = nullptr);

    // Asks the processor; the table fills when the reply is in.
    void compareWithProcessor();
    // The file's values against the panel; the reader's message when it cannot be used.
    void compareWithFile(const QString& path);

    int differences() const { return m_differences; }

    QTableWidget* tblValues = nullptr;
    QLabel* lblDifferences = nullptr;
    QPushButton* cmdTake = nullptr;
    QPushButton* cmdSend = nullptr;
    QPushButton* cmdFile = nullptr;
    QPushButton* cmdClose = nullptr;

Q_SIGNALS:
    // The processor's values went onto the panel, as an upload puts them.
    void valuesTaken();

private:
    enum class Source
    {
        None,
        Processor,
        File,
    };

    void onExchangeFinished(const lnk::ExchangeResult& result);
    void refresh();
    void take();
    void chooseFile();

    session::PanelSession& m_session;
    Prompts& m_prompts;
    Source m_source = Source::None;
    bool m_waiting = false;
    std::optional<lnk::Layout> m_layout; // the processor's reply
    QByteArray m_reply;
    session::CarriedValues m_other; // the processor's or the file's values
    int m_differences = 0;
};
