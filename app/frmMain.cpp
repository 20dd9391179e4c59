#include "app/frmMain.h"

#include "app/BusyShield.h"
#include "app/PanelHistory.h"
#include "app/TerminationWatcher.h"
#include "dialogs/SitesDesk.h"
#include "dialogs/frmTestsignal.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QTimer>

#include <cstdio>

namespace {

const QColor kBlue(0, 0, 255);
const QColor kMagenta(255, 0, 255);

session::SessionEnvironment sessionEnvironment(const AppEnvironment& env)
{
    session::SessionEnvironment s;
    s.programDir = env.programDir;
    s.lines = env.lines;
    s.exportPath = env.exportPath;
    return s;
}

} // namespace

frmMain::frmMain(const AppEnvironment& env, QWidget* parent)
    : QMainWindow(parent), m_env(env),
      m_session(std::make_unique<session::PanelSession>(sessionEnvironment(env))),
      PortNo(*m_session)
{
    setObjectName(QStringLiteral("frmMain"));
    if (m_env.prompts != nullptr) {
        m_prompts = m_env.prompts;
    } else {
        m_ownPrompts = std::make_unique<WidgetPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    m_shield = new BusyShield(this, this);
    m_history = new PanelHistory(params(), this);
    connect(m_history, &PanelHistory::restored, this, [this](const auto& from, const auto& to) {
        // Undoing a Turbo change shows the window as the change did.
        const int space = model::index(model::Member::Space);
        if (from[space] != to[space]) {
            applyTurboIndication();
        }
    });

    // The panel's exchanges with a site's port are kept in the store; a version opened from the
    // Sites window is one undoable step, and nothing is sent.
    m_sites = new SitesDesk(*m_session, *m_prompts, this);
    connect(m_sites, &SitesDesk::openInPanel, this,
            [this](const auto& values, const QString& label) {
                params().restore(values);
                applyTurboIndication();
                m_history->commit(label);
            });

    setWindowTitle(QStringLiteral("ORVEX DAB+ Setup v 20.01"));
    setAutoFillBackground(true);
    buildMenus();
    buildToolbar();
    buildPanel();
    bindParameterSet();
    bindSession();

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBlue);
    setPalette(pal);
}

frmMain::~frmMain() = default;

void frmMain::bindSession()
{
    connect(m_session.get(), &session::PanelSession::progressChanged, Sendbar,
            &QProgressBar::setValue);
    connect(m_session.get(), &session::PanelSession::busyChanged, this, &frmMain::onBusyChanged);
    connect(m_session.get(), &session::PanelSession::exchangeFinished, this,
            &frmMain::onExchangeFinished);
}

void frmMain::load()
{
    if (m_env.showSplash) {
        showSplash();
    }
    Adresar = dataDir() + QDir::separator();
    NactiINI();
    markPortMenu();
    loadWorkingFile();
    applyTurboIndication();
    m_history->reset();
    m_loaded = true;
}

bool frmMain::start()
{
    load();
    if (m_closeRequested) {
        close();
        return false;
    }
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
    show();
    return true;
}

void frmMain::closeOnRequestsOf(const TerminationWatcher& watcher)
{
    connect(&watcher, &TerminationWatcher::terminationRequested, this,
            [this] { requestClose(CloseReason::Termination); });
    // Also sent for a checkpoint, or for a logout another program may yet cancel: the files are
    // saved and the session manager decides. A logout that goes through ends the event loop, or
    // sends a termination signal.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { saveFiles(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &frmMain::saveFiles);
}

void frmMain::saveFiles()
{
    // Before the load step the working file has not been read; after the close it is written.
    if (!m_loaded || m_closing) {
        return;
    }
    // Nobody may be there to answer a box: failures go to standard error.
    if (const auto error = m_session->writeParameterFile(workingFilePath())) {
        notify(error->description(), workingFilePath(), PromptIcon::None, true);
    }
    if (const auto error = m_session->writeSettings()) {
        notify(error->description(), settingsFilePath(), PromptIcon::None, true);
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (m_session->busy()) {
        // Carried out once the exchange has ended; its result comes first.
        event->ignore();
        requestClose(CloseReason::Operator);
        return;
    }
    // The close is never refused: the panel goes to the working file, the port to settings.
    m_closing = true;
    UlozSoubor(workingFilePath());
    UlozINI();
    event->accept();
}

void frmMain::requestClose(CloseReason reason)
{
    m_closeRequested = true;
    if (reason == CloseReason::Termination) {
        m_terminating = true;
    }
    continueCloseSoon();
}

void frmMain::continueCloseSoon()
{
    if (m_closeRequested && !m_closing) {
        // From the event loop, so whatever handler asked is over first.
        QTimer::singleShot(0, this, &frmMain::continueClose);
    }
}

void frmMain::continueClose()
{
    if (!m_closeRequested || m_closing || m_session->busy()) {
        return; // an exchange that ends asks again
    }
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            // The test signal dialog leaves through its Exit, which stops the tone.
            if (auto* testSignal = qobject_cast<frmTestsignal*>(dialog)) {
                testSignal->leave();
            } else {
                dialog->done(QDialog::Rejected);
            }
        } else {
            modal->close();
        }
        continueCloseSoon();
        return;
    }
    // Before the load step is over, the working file has not been read: main() closes then.
    if (m_loaded) {
        close();
    }
}

void frmMain::runModal(QDialog& dialog)
{
    dialog.exec();
    continueCloseSoon();
}

void frmMain::notify(const QString& text, const QString& title, PromptIcon icon, bool quiet)
{
    if (quiet) {
        std::fprintf(stderr, "orvexdab: %s%s%s\n", qPrintable(title),
                     title.trimmed().isEmpty() ? "" : ": ", qPrintable(text));
        return;
    }
    prompts().message(text, title, icon);
}

void frmMain::onBusyChanged(bool busy)
{
    if (busy) {
        m_shield->raise();
    } else {
        m_shield->lower();
    }
}

void frmMain::onExchangeFinished(const lnk::ExchangeResult& result)
{
    if (result.ok() && result.layout && result.kind != lnk::ExchangeKind::Command) {
        m_history->commit(result.layout == lnk::Layout::Day ? QStringLiteral("Upload day")
                                                            : QStringLiteral("Upload night"));
    }
    if (!result.ok()) {
        QString text = lnk::failureMessage(result.kind, result.command);
        // An address the operator wrote is said back to him, with what is wrong with it.
        if (result.fault == lnk::LineFault::AddressInvalid) {
            text += QStringLiteral("\n\n") + result.detail;
        }
        notify(text, kMessageTitle, PromptIcon::Exclamation, m_closeRequested);
    }
    continueCloseSoon();
}

void frmMain::applyTurboIndication()
{
    m_turboShown = params().flag(model::Member::Space);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, m_turboShown ? kMagenta : kBlue);
    setPalette(pal);
    if (lblTurboDens != nullptr) {
        lblTurboDens->setVisible(m_turboShown);
    }
}

void frmMain::Space_Click()
{
    toggleOption(model::Member::Space);
    applyTurboIndication();
}

void frmMain::toggleOption(model::Member m)
{
    params().setFlag(m, !params().flag(m));
    const std::string_view caption = model::info(m).meaning;
    const QString name = QString::fromLatin1(caption.data(), qsizetype(caption.size()))
                             .remove(QLatin1Char('&'))
                             .trimmed();
    m_history->commit(name + (params().flag(m) ? QStringLiteral(" on") : QStringLiteral(" off")));
}

void frmMain::Help_Click()
{
    prompts().message(QStringLiteral("Refer manual in .pdf file on install CD, Veltrane web or "
                                     "instal directory of this program"),
                      QStringLiteral("Orvex"), PromptIcon::Information);
}

void frmMain::toolbarKey(const QString& key)
{
    if (key == QLatin1String("sendd")) {
        posliden();
    } else if (key == QLatin1String("sendn")) {
        Sendnight();
    } else if (key == QLatin1String("uplod")) {
        UploadWait = static_cast<int>(lnk::kDayUploadWait.count());
        Uploadday();
    } else if (key == QLatin1String("uplon")) {
        Uploadnight();
    } else if (key.size() == 4 && key.startsWith(QLatin1String("pre")) &&
               key.at(3) >= QLatin1Char('1') && key.at(3) <= QLatin1Char('5')) {
        const QString path = presetFilePath(key.at(3).digitValue());
        NactiSoubor(path);
        m_history->commit(QStringLiteral("Load ") + QFileInfo(path).fileName());
    }
}
