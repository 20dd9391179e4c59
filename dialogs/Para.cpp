#include "dialogs/Para.h"

#include "dialogs/Printing.h"
#include "dialogs/Prompts.h"
#include "session/PanelSession.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>

using model::Member;

Para::Para(session::PanelSession& session, Prompts& prompts, PrintTarget* printer, QWidget* parent)
    : QDialog(parent), m_session(session), m_prompts(prompts), m_printer(printer)
{
    buildWindow();
    Form_Load();
    adjustSize();
    placeGateBox();
}

void Para::Form_Load()
{
    const model::ParameterSet& params = m_session.params();
    for (const para::RowText& text : para::rows()) {
        const Member m = para::memberOfRow(text.row);
        if (para::isCheckRow(text.row)) {
            // A greyed spatial enhancer box shows as checked here.
            check(text.row)->setChecked(params.value(m) != 0);
        } else {
            box(text.row)->setText(QString::number(params.value(m)));
        }
    }
}

void Para::clampGate()
{
    // Only the gate is clamped, and to 255 from both sides, without a word.
    const QString text = box(1)->text().trimmed();
    bool ok = false;
    const double gate = QLocale::c().toDouble(text, &ok);
    if (ok && (gate > 255.0 || gate < 0.0)) {
        box(1)->setText(QStringLiteral("255"));
    }
}

bool Para::transferRow(int row)
{
    model::ParameterSet& params = m_session.params();
    const Member m = para::memberOfRow(row);
    if (para::isCheckRow(row)) {
        // Check marks only: the menu commands (and the Turbo indication) are not run.
        params.setFlag(m, check(row)->isChecked());
        return true;
    }
    const std::optional<int> value = para::toInt16(box(row)->text());
    return value.has_value() && params.setValue(m, *value);
}

void Para::SendBack_Click()
{
    clampGate();
    for (int row = 1; row <= para::kRowCount; ++row) {
        if (!transferRow(row)) {
            // Rows already written stay written; the operator fixes the box and tries again.
            m_prompts.message(QStringLiteral("Please input NUMBER 0-255"), QStringLiteral("  "),
                              PromptIcon::Exclamation);
            box(row)->setFocus();
            box(row)->selectAll();
            return;
        }
    }
    accept();
}

void Para::cmdUlozAct_Click()
{
    if (const auto error = m_session.exportText()) {
        m_prompts.message(error->description(), kMessageTitle, PromptIcon::None);
    }
}

void Para::Print_Click()
{
    SystemPrinter systemPrinter;
    PrintTarget* target = m_printer;
    if (target == nullptr) {
        target = &systemPrinter;
    }
    if (!target->printWidget(*this).isEmpty()) {
        m_prompts.message(QStringLiteral("Check printer connection !"), QStringLiteral(" "),
                          PromptIcon::Exclamation);
    }
}

void Para::Back_Click()
{
    reject();
}
