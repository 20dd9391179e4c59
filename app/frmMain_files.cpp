#include "app/frmMain.h"

#include "app/PanelHistory.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <algorithm>

namespace {

const QString kReadFailureTitle =
    QStringLiteral("Actual.dab not exist (first run on this PC) or this preset was not saved");

// The folder of a chosen file with its trailing separator, in the platform's own form.
QString folderOf(const QString& path)
{
    QString folder = QDir::toNativeSeparators(QFileInfo(path).absolutePath());
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder;
}

} // namespace

void frmMain::NactiINI()
{
    m_session->readSettings();
}

void frmMain::UlozINI()
{
    // The port number is easily chosen again: a failed write passes without a word, unless the
    // program is being ended from outside, when nobody would learn of it otherwise.
    if (const auto error = m_session->writeSettings(); error && m_terminating) {
        notify(error->description(), settingsFilePath(), PromptIcon::None, true);
    }
}

bool frmMain::NactiSoubor(const QString& path)
{
    if (const auto error = m_session->readParameterFile(path)) {
        notify(error->description(), kReadFailureTitle, PromptIcon::Information, m_terminating);
        return false;
    }
    return true;
}

void frmMain::loadWorkingFile()
{
    const session::PanelSession::WorkingFileLoad load = m_session->loadWorkingFile();
    if (!load.error) {
        return;
    }
    QString text = load.error->description();
    if (!load.setAsideAs.isEmpty()) {
        text += QStringLiteral("\n\nThe file that did not load is kept as %1.")
                    .arg(QDir::toNativeSeparators(load.setAsideAs));
    } else if (load.setAsideError) {
        text += QStringLiteral("\n\nThe file that did not load could not be set aside (%1); it "
                               "stays as it is and the panel will not be saved over it.")
                    .arg(load.setAsideError->description());
    }
    notify(text, kReadFailureTitle, PromptIcon::Information, m_terminating);
}

bool frmMain::UlozSoubor(const QString& path)
{
    if (const auto error = m_session->writeParameterFile(path)) {
        notify(error->description(), m_terminating ? path : kMessageTitle, PromptIcon::None,
               m_terminating);
        return false;
    }
    return true;
}

void frmMain::UlozExportTXT()
{
    if (const auto error = m_session->exportText()) {
        notify(error->description(), kMessageTitle, PromptIcon::None, m_terminating);
    }
}

void frmMain::Open_Click()
{
    FileDialogRequest request =
        FileDialogRequest::parameterFile(QStringLiteral("Open file with paramaters"), Adresar);
    request.mustExist = true;
    const std::optional<QString> chosen = prompts().openFile(request);
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    const QString path = QDir::toNativeSeparators(*chosen);
    Adresar = folderOf(path);
    if (!NactiSoubor(path)) {
        notify(QStringLiteral("Nepodarilo se nacist soubor ") + path, kMessageTitle,
               PromptIcon::None, m_terminating);
    }
    m_history->commit(QStringLiteral("Load ") + QFileInfo(path).fileName());
    if (txtNazevSouboru != nullptr) {
        txtNazevSouboru->setText(path);
    }
}

void frmMain::Save_Click()
{
    const QString title = QStringLiteral("Save parameters to file");
    // The dialog does not ask about overwriting: it would ask about the name typed, and the
    // file written may have .DAB added ("x.txt" becomes "x.txt.DAB").
    const std::optional<QString> chosen =
        prompts().saveFile(FileDialogRequest::parameterFile(title, Adresar));
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    QString path = QDir::toNativeSeparators(*chosen);
    Adresar = folderOf(path);
    if (!path.endsWith(kParameterFileExtension, Qt::CaseInsensitive)) {
        path += kParameterFileExtension;
    }
    if (QFileInfo::exists(path) &&
        !prompts().question(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                .arg(QFileInfo(path).fileName()),
                            title)) {
        return;
    }
    const QString text = UlozSoubor(path) ? QStringLiteral("Ulozen soubor ") + path
                                          : QStringLiteral("Nepodarilo se ulozit soubor ") + path;
    notify(text, kMessageTitle, PromptIcon::None, m_terminating);
    if (txtNazevSouboru != nullptr) {
        txtNazevSouboru->setText(path);
    }
}

void frmMain::form_Reinit()
{
    NactiINI();
    markPortMenu();
    NactiSoubor(workingFilePath());
    m_history->commit(QStringLiteral("Load ") + QFileInfo(workingFilePath()).fileName());
}

void frmMain::markPortMenu()
{
    // Port1..Port4 for 1..4, the custom item above 4, nothing for 0.
    const int marked = PortNo == 0 ? -1 : std::min<int>(PortNo, 5) - 1;
    for (std::size_t i = 0; i < m_portItems.size(); ++i) {
        m_portItems[i]->setChecked(static_cast<int>(i) == marked);
    }
    labelPortMenu();
}

void frmMain::labelPortMenu()
{
    // A number with an address of its own shows it beside its caption, where a shortcut would.
    for (std::size_t i = 0; i < m_portItems.size(); ++i) {
        QAction* item = m_portItems[i];
        const bool custom = i == kCustomPortItem;
        const int n = custom ? int(PortNo) : static_cast<int>(i) + 1;
        const std::optional<QString> address =
            custom && n <= 4 ? std::nullopt : session().mappedAddress(n);
        QString text = item->data().toString();
        if (address) {
            text += custom ? QStringLiteral("\tCOM%1: %2").arg(n).arg(*address)
                           : QStringLiteral("\t") + *address;
        }
        item->setText(text);
    }
}
