// The panel on a port number mapped to a network serial server: ser2net on loopback in front
// of the simulated processor, reached through the program's own lines, the port chosen in the
// custom port dialog as an operator would.
#include "Ser2net.h"
#include "link/PortMap.h"
#include "sim/Simulator.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "support/WindowChecks.h"

#include "app/frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

using namespace std::chrono_literals;
using model::Member;

namespace {

constexpr int kPortNo = 7;
const QString kUploadDayFailure =
    QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup), wrong connection "
                   "or wrong firmware version.");

// A site (simulator behind ser2net) and a panel with its own lines, as the program has.
struct NetPanel
{
    NetPanel()
    {
        started = simulator.start(&error);
        if (started) {
            server = std::make_unique<Ser2net>(simulator.devicePath());
            started = server->start(&error);
        }
        env.programDir = dir.path();
        env.prompts = &prompts;
        env.showSplash = false;
        env.exportPath = dir.filePath(QStringLiteral("OrvexDAB.txt"));
        window = std::make_unique<frmMain>(env);
        window->load();
        prompts.messages.clear();
    }
    QString address(lnk::NetworkScheme scheme) const { return server->address(scheme).text(); }
    // The operator's way: the custom port dialog, a number and an address, Save and Exit.
    QString choosePort(int portNo, const QString& address)
    {
        auto* item = window->findChild<QAction*>(QStringLiteral("mnuCustom"));
        return whileModal(
            [item] { item->trigger(); }, QStringLiteral("cmdEXIT"),
            [&](QDialog& d) {
                d.findChild<QLineEdit*>(QStringLiteral("txtCustom"))
                    ->setText(QString::number(portNo));
                d.findChild<QLineEdit*>(QStringLiteral("txtAddress"))->setText(address);
            });
    }
    [[nodiscard]] bool settle() { return waitIdle(window->session()); }
    bool logSays(const QString& fragment, int from) const
    {
        return simulator.log().waitFor(fragment, from, 10s);
    }

    QTemporaryDir dir;
    sim::Simulator simulator;
    std::unique_ptr<Ser2net> server;
    bool started = false;
    QString error;
    ScriptedPrompts prompts;
    AppEnvironment env;
    std::unique_ptr<frmMain> window;
};

} // namespace

class TestNetworkPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void everythingWorksThroughTheServer();
    void failuresSayWhatHappened_data();
    void failuresSayWhatHappened();
    void malformedMapEntry();
};

void TestNetworkPanel::init()
{
    ORVEX_SKIP_WITHOUT_SER2NET();
}

void TestNetworkPanel::everythingWorksThroughTheServer()
{
    NetPanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;
    const QString address = p.address(lnk::NetworkScheme::Rfc2217);
    QCOMPARE(p.choosePort(kPortNo, address), QStringLiteral("frmPortCustom"));
    QCOMPARE(int(w.PortNo), kPortNo);
    QCOMPARE(lnk::mappedAddress(kPortNo, w.dataDir()), address);
    QVERIFY(w.findChild<QAction*>(QStringLiteral("mnuCustom"))->text().endsWith(address));

    // A day frame with the bytes a careless line would spoil: 255 and 126 inside the data.
    w.params().assign(Member::gate, 255);
    w.params().assign(Member::density, 126);
    int from = p.simulator.log().count();
    w.toolbarKey(QStringLiteral("sendd"));
    QVERIFY(p.settle());
    QVERIFY(p.logSays(QStringLiteral("day frame:"), from));
    QCOMPARE(sim::valueOf(p.simulator.state().current, Member::gate), 255);
    QCOMPARE(sim::valueOf(p.simulator.state().current, Member::density), 126);
    // The server's serial side was set to 2 stop bits for the send.
    const QStringList sent = p.simulator.log().lines().mid(from);
    QVERIFY2(sent.filter(QStringLiteral("2 stop bits")).size() >= 1, qPrintable(sent.join('\n')));

    // Both uploads come back onto the panel.
    sim::State s = p.simulator.state();
    s.current[model::index(Member::ranges)] = 33;
    s.night[model::index(Member::ranges)] = 44;
    p.simulator.setState(s);
    from = p.simulator.log().count();
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QCOMPARE(w.params().value(Member::ranges), 33);
    QVERIFY(p.simulator.log().lines().mid(from).filter(QStringLiteral("1 stop bit")).size() >= 1);
    sim::Settings night = p.simulator.settings();
    night.replyLayout = lnk::Layout::Night;
    p.simulator.setSettings(night);
    w.toolbarKey(QStringLiteral("uplon"));
    QVERIFY(p.settle());
    QCOMPARE(w.params().value(Member::ranges), 44);

    // The night frame, a factory sound, every command of the function dialogs.
    from = p.simulator.log().count();
    w.toolbarKey(QStringLiteral("sendn"));
    w.findChild<QAction*>(QStringLiteral("Speed"))->trigger();
    for (const lnk::CommandInfo& c : lnk::commands()) {
        w.session().command(c.command);
    }
    QVERIFY(p.settle());
    QVERIFY(p.logSays(QStringLiteral("night frame:"), from));
    QVERIFY(p.logSays(QStringLiteral("day frame:"), from));
    QVERIFY(p.logSays(QStringLiteral("command 183 Recall4"), from));
    QVERIFY2(p.prompts.messages.isEmpty(), qPrintable(p.prompts.messages.value(0).text));
}

void TestNetworkPanel::failuresSayWhatHappened_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("connection refused") << "refused";
    QTest::newRow("server gone before the exchange") << "stopped";
    QTest::newRow("server vanishing mid-reply") << "vanishing";
}

void TestNetworkPanel::failuresSayWhatHappened()
{
    QFETCH(QString, how);
    NetPanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;
    QString address = p.address(lnk::NetworkScheme::Rfc2217);
    if (how == QLatin1String("refused")) {
        // A loopback port nobody listens on: the raw port of a server that is gone.
        address = p.address(lnk::NetworkScheme::Tcp);
        p.server->stop();
    }
    p.choosePort(kPortNo, address);
    w.params().assign(Member::gate, 42);
    if (how == QLatin1String("stopped")) {
        p.server->stop();
    }
    if (how == QLatin1String("vanishing")) {
        sim::Settings slow = p.simulator.settings();
        slow.reaction = 300ms;
        p.simulator.setSettings(slow);
        QTimer::singleShot(400, [&p] { p.server->kill(); });
    }
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 1);
    QCOMPARE(p.prompts.messages[0].text, kUploadDayFailure);
    QCOMPARE(w.params().value(Member::gate), 42);
}

void TestNetworkPanel::malformedMapEntry()
{
    NetPanel p;
    frmMain& w = *p.window;
    // Typed in the dialog: refused with a message, nothing saved.
    p.choosePort(kPortNo, QStringLiteral("rfc2217://127.0.0.1:70000"));
    QCOMPARE(p.prompts.messages.size(), 1);
    QVERIFY(p.prompts.messages[0].text.contains(QStringLiteral("rfc2217://127.0.0.1:70000")));
    QVERIFY(!QFile::exists(lnk::portMapPath(w.dataDir())));

    // Written by hand: reported when the port is used, with the address; the file untouched.
    const QByteArray ini = "[ports]\r\nCOM9=telnet://127.0.0.1:4001\r\n";
    QFile f(lnk::portMapPath(w.dataDir()));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini);
    f.close();
    p.prompts.messages.clear();
    w.PortNo = 9;
    w.posliden();
    QVERIFY(p.settle());
    QCOMPARE(p.prompts.messages.size(), 1);
    QVERIFY2(p.prompts.messages[0].text.contains(QStringLiteral("telnet://127.0.0.1:4001")),
             qPrintable(p.prompts.messages[0].text));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), ini);
}

QTEST_MAIN(TestNetworkPanel)
#include "test_networkpanel.moc"
