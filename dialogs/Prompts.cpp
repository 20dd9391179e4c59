#include "dialogs/Prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QString filterFor(const FileDialogRequest& r)
{
    const QString ext = r.extension.startsWith(QLatin1Char('.')) ? r.extension.mid(1) : r.extension;
    return QStringLiteral("%1 files (*.%1 *.%2);;All files (*)").arg(ext, ext.toLower());
}

std::optional<QString> runDialog(QWidget* parent, const FileDialogRequest& r,
                                 QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, r.title, r.directory, filterFor(r));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(r.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (mode == QFileDialog::AcceptSave) {
        // The overwrite question then names the file that will really be written.
        dialog.setDefaultSuffix(r.extension.startsWith(QLatin1Char('.')) ? r.extension.mid(1)
                                                                         : r.extension);
    }
    if (!r.confirmOverwrite) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

void WidgetPrompts::message(const QString& text, const QString& title, PromptIcon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case PromptIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case PromptIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case PromptIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.exec();
}

bool WidgetPrompts::question(const QString& text, const QString& title)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetPrompts::openFile(const FileDialogRequest& request)
{
    return runDialog(m_parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> WidgetPrompts::saveFile(const FileDialogRequest& request)
{
    return runDialog(m_parent, request, QFileDialog::AcceptSave);
}
