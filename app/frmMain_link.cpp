#include "app/InputHold.h"
#include "app/Prompts.h"
#include "app/frmMain.h"
#include "dialogs/frmPortCustom.h"
#include "link/Commands.h"
#include "link/Exchange.h"

#include <QAction>
#include <QProgressBar>

#include <algorithm>
#include <array>

namespace {

using namespace std::chrono_literals;

enum class BlockExchange
{
    SendDay,
    SendNight,
    UploadDay,
    UploadNight,
};

struct ExchangeText
{
    BlockExchange exchange;
    const char* failure; // shown when the port cannot be opened or the exchange fails later
};

// The block transfers' own messages; the one-byte commands carry theirs in the command table.
constexpr std::array<ExchangeText, 4> kBlockTexts{{
    {BlockExchange::SendDay, "Error RS232, USB or IP, try to use other port (Menu Setup) or wrong "
                             "firmware version."},
    {BlockExchange::SendNight, "Error RS232, USB or IP, try to use other port (Menu Setup)or wrong "
                               "firmware version."},
    {BlockExchange::UploadDay, "Error RS232, USB or IP, try to use other port (Menu Setup), wrong "
                               "connection or wrong firmware version."},
    {BlockExchange::UploadNight, "Error RS232, USB or IP, try to use other port (Menu Setup) or "
                                 "wrong connection or wrong firmware version. "},
}};

const char* const kMessageTitle = "OrvexDAB";

QString failureText(BlockExchange e)
{
    for (const ExchangeText& t : kBlockTexts) {
        if (t.exchange == e) {
            return QString::fromLatin1(t.failure);
        }
    }
    return {};
}

void showFailure(frmMain& w, const QString& text)
{
    w.prompts().message(text, QString::fromLatin1(kMessageTitle), PromptIcon::Exclamation);
}

// The progress bar may not exist yet while the panel is being built.
void showProgress(frmMain& w, int value)
{
    if (w.Sendbar != nullptr) {
        w.Sendbar->setValue(value);
    }
}

int progressShown(const frmMain& w)
{
    return w.Sendbar != nullptr ? w.Sendbar->value() : 0;
}

void restoreProgress(frmMain& w, int value)
{
    if (w.Sendbar == nullptr) {
        return;
    }
    if (value < w.Sendbar->minimum()) {
        w.Sendbar->reset(); // it had never shown a value
    } else {
        w.Sendbar->setValue(value);
    }
}

void sendBlock(frmMain& w, lnk::Block block, BlockExchange which)
{
    const int before = progressShown(w);
    lnk::ExchangeResult r;
    {
        InputHold hold;
        lnk::ExchangeHooks hooks;
        hooks.progress = [&w](int v) { showProgress(w, v); };
        r = lnk::sendBlock(w.line(), w.PortNo, block, w.params(), hooks);
    }
    if (!r.ok()) {
        // A failed block transfer leaves the bar as it found it, wherever it failed.
        restoreProgress(w, before);
        showFailure(w, failureText(which));
    }
}

void upload(frmMain& w, lnk::Block block, std::chrono::milliseconds wait, BlockExchange which)
{
    lnk::ExchangeResult r;
    {
        InputHold hold;
        lnk::ExchangeHooks hooks;
        hooks.progress = [&w](int v) { showProgress(w, v); };
        hooks.idle = [&hold] { hold.pump(); };
        r = lnk::uploadBlock(w.line(), w.PortNo, block, wait, w.params(), hooks);
    }
    if (!r.ok()) {
        showFailure(w, failureText(which));
    }
}

void runCommand(frmMain& w, lnk::Command command)
{
    const lnk::CommandInfo& info = lnk::commandInfo(command);
    lnk::ExchangeResult r;
    {
        InputHold hold;
        lnk::ExchangeHooks hooks;
        hooks.progress = [&w](int v) { showProgress(w, v); };
        r = lnk::sendCommand(w.line(), w.PortNo, info.byte, hooks);
    }
    if (!r.ok()) {
        // A failed command leaves the bar full, as a failed open does.
        showProgress(w, 23);
        showFailure(w, QString::fromLatin1(info.openFailure.data(),
                                           static_cast<qsizetype>(info.openFailure.size())));
    }
}

} // namespace

void frmMain::posliden()
{
    sendBlock(*this, lnk::Block::Day, BlockExchange::SendDay);
}

void frmMain::Sendnight()
{
    sendBlock(*this, lnk::Block::Night, BlockExchange::SendNight);
}

void frmMain::Uploadday()
{
    upload(*this, lnk::Block::Day, std::chrono::milliseconds(std::max(UploadWait, 0)),
           BlockExchange::UploadDay);
}

void frmMain::Uploadnight()
{
    upload(*this, lnk::Block::Night, lnk::kNightUploadWait, BlockExchange::UploadNight);
}

void frmMain::Testtone()
{
    runCommand(*this, lnk::Command::Testtone);
}

void frmMain::Stoptone()
{
    runCommand(*this, lnk::Command::Stoptone);
}

void frmMain::Saveday()
{
    runCommand(*this, lnk::Command::Saveday);
}

void frmMain::Savenight()
{
    runCommand(*this, lnk::Command::Savenight);
}

void frmMain::Setday()
{
    runCommand(*this, lnk::Command::Setday);
}

void frmMain::Setnight()
{
    runCommand(*this, lnk::Command::Setnight);
}

void frmMain::Switchon()
{
    runCommand(*this, lnk::Command::Switchon);
}

void frmMain::Switchoff()
{
    runCommand(*this, lnk::Command::Switchoff);
}

void frmMain::Save1()
{
    runCommand(*this, lnk::Command::Save1);
}

void frmMain::Save2()
{
    runCommand(*this, lnk::Command::Save2);
}

void frmMain::Save3()
{
    runCommand(*this, lnk::Command::Save3);
}

void frmMain::Save4()
{
    runCommand(*this, lnk::Command::Save4);
}

void frmMain::Recall1()
{
    runCommand(*this, lnk::Command::Recall1);
}

void frmMain::Recall2()
{
    runCommand(*this, lnk::Command::Recall2);
}

void frmMain::Recall3()
{
    runCommand(*this, lnk::Command::Recall3);
}

void frmMain::Recall4()
{
    runCommand(*this, lnk::Command::Recall4);
}

void frmMain::choosePort(int portNo)
{
    if (portNo < 0 || portNo > 255) {
        return;
    }
    static const std::array<const char*, 5> kItems{"Port1", "Port2", "Port3", "Port4", "mnuCustom"};
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        if (auto* item = findChild<QAction*>(QLatin1String(kItems[i]))) {
            item->setChecked(i < 4 && static_cast<int>(i) + 1 == portNo);
        }
    }
    PortNo = static_cast<quint8>(portNo);
}

void frmMain::mnuCustom_Click()
{
    frmPortCustom dialog(*this);
    dialog.exec();
    // Choosing the item toggled its mark; the marks follow PortNo whether or not it changed.
    markPortMenu();
}
