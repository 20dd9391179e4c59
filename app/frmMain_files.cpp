#include "app/frmMain.h"

#include "app/Prompts.h"
#include "storage/AtomicWrite.h"
#include "storage/DataFolder.h"
#include "storage/ParameterFile.h"
#include "storage/SettingsFile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace {

const QString kReadFailureTitle =
    QStringLiteral("Actual.dab not exist (first run on this PC) or this preset was not saved");
const QString kAppTitle = QStringLiteral("OrvexDAB");
const QString kExtension = QStringLiteral(".DAB");
const QString kNoname = QStringLiteral("Noname");
const QString kBackupSuffix = QStringLiteral(".bak");

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
           QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

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

QString frmMain::dataDir() const
{
    // Decided once: the serial line, the dialogs and every file must agree for the whole run.
    if (m_dataDir.isEmpty()) {
        m_dataDir = storage::chooseDataDir(m_env.programDir);
    }
    return m_dataDir;
}

QString frmMain::workingFilePath() const
{
    return QDir(dataDir()).filePath(QStringLiteral("actual.DAB"));
}

QString frmMain::settingsFilePath() const
{
    return QDir(dataDir()).filePath(QStringLiteral("ORVEXFM.INI"));
}

QString frmMain::presetFilePath(int n) const
{
    return QDir(dataDir()).filePath(QStringLiteral("preset%1.DAB").arg(n));
}

void frmMain::NactiINI()
{
    PortNo = 1;
    if (const std::optional<quint8> stored = storage::readSettingsFile(settingsFilePath())) {
        PortNo = *stored;
    }
}

void frmMain::UlozINI()
{
    // The port number is easily chosen again: a failed write passes without a word.
    (void)storage::writeSettingsFile(settingsFilePath(), PortNo);
}

bool frmMain::NactiSoubor(const QString& path)
{
    const std::optional<storage::FileError> error = storage::readParameterFile(path, m_params);
    if (samePath(path, workingFilePath())) {
        // A working file that is there but did not load holds the operator's settings as
        // far as anyone knows: keep it before the panel is next written over it.
        m_keepWorkingBackup = error.has_value() && QFileInfo(path).isFile();
    }
    if (error) {
        prompts().message(error->description(), kReadFailureTitle, PromptIcon::Information);
        return false;
    }
    return true;
}

bool frmMain::UlozSoubor(const QString& path)
{
    const bool working = samePath(path, workingFilePath());
    std::optional<storage::FileError> error;
    if (working && m_keepWorkingBackup && QFileInfo(path).isFile()) {
        error = storage::copyFileAtomically(path, path + kBackupSuffix);
    }
    if (!error) {
        error = storage::writeParameterFile(path, m_params);
    }
    if (error) {
        prompts().message(error->description(), kAppTitle, PromptIcon::None);
        return false;
    }
    if (working) {
        m_keepWorkingBackup = false;
    }
    return true;
}

void frmMain::Open_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Open file with paramaters");
    request.directory = Adresar;
    request.fileName = kNoname;
    request.extension = kExtension;
    request.mustExist = true;
    const std::optional<QString> chosen = prompts().openFile(request);
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    const QString path = QDir::toNativeSeparators(*chosen);
    Adresar = folderOf(path);
    if (!NactiSoubor(path)) {
        prompts().message(QStringLiteral("Nepodarilo se nacist soubor ") + path, kAppTitle,
                          PromptIcon::None);
    }
    if (txtNazevSouboru != nullptr) {
        txtNazevSouboru->setText(path);
    }
}

void frmMain::Save_Click()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Save parameters to file");
    request.directory = Adresar;
    request.fileName = kNoname;
    request.extension = kExtension;
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = prompts().saveFile(request);
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    QString path = QDir::toNativeSeparators(*chosen);
    Adresar = folderOf(path);
    if (!path.endsWith(kExtension, Qt::CaseInsensitive)) {
        path += kExtension;
    }
    const QString text = UlozSoubor(path) ? QStringLiteral("Ulozen soubor ") + path
                                          : QStringLiteral("Nepodarilo se ulozit soubor ") + path;
    prompts().message(text, kAppTitle, PromptIcon::None);
    if (txtNazevSouboru != nullptr) {
        txtNazevSouboru->setText(path);
    }
}

void frmMain::form_Reinit()
{
    NactiINI();
    markPortMenu();
    NactiSoubor(workingFilePath());
}

void frmMain::markPortMenu()
{
    static const std::array<const char*, 5> kItems{"Port1", "Port2", "Port3", "Port4", "mnuCustom"};
    // Port1..Port4 for 1..4, the custom item above 4, nothing for 0.
    const int marked = PortNo == 0 ? -1 : std::min<int>(PortNo, 5) - 1;
    for (int i = 0; i < static_cast<int>(kItems.size()); ++i) {
        if (auto* item = findChild<QAction*>(QLatin1String(kItems[i]))) {
            item->setCheckable(true);
            item->setChecked(i == marked);
        }
    }
}
