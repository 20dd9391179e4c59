// The main window's link operations on an in-memory line: the sixteen commands, the block
// transfers' messages and progress bar, the port menu and the custom port dialog.
#include "dialogs/frmPortCustom.h"
#include "link/LinkOwner.h"
#include "link/PortMap.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

using namespace std::chrono_literals;
using Operation = void (frmMain::*)();

Q_DECLARE_METATYPE(Operation)

namespace {

const QString kRs232 = QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup)");
const QString kSerial =
    QStringLiteral("Error serial communication, try to use other port (Menu Setup)");

// A loaded panel; the first start's message about the missing working file is not ours.
struct Panel : PanelFixture
{
    Panel() { prompts.messages.clear(); }
};

QString checkedPortItems(const frmMain& w)
{
    QStringList on;
    for (const char* name : {"Port1", "Port2", "Port3", "Port4", "mnuCustom"}) {
        const auto* a = w.findChild<QAction*>(QLatin1String(name));
        if (a == nullptr) {
            return QStringLiteral("(no %1)").arg(QLatin1String(name));
        }
        if (a->isChecked()) {
            on << QLatin1String(name);
        }
    }
    return on.join(QLatin1Char(' '));
}

} // namespace

class TestPanelLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
    void blockFailures_data();
    void blockFailures();
    void failureAfterOpenLeavesPanelAlone();
    void uploadKeysWaitAsTheyShould();
    void uploadAppliesToThePanel();
    void inputIsDroppedWhileAnExchangeRuns();

    void portMarks_data();
    void portMarks();
    void choosingAPortClearsTheOthers();
    void customDialogTexts();
    void customDialogRefuses_data();
    void customDialogRefuses();
    void customDialogSaves_data();
    void customDialogSaves();
    void customDialogListsLinks();
    void customDialogWarnsOfAnUnusableMap();
};

void TestPanelLink::commands_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("failure");

    QTest::newRow("Testtone") << &frmMain::Testtone << 100 << kRs232;
    QTest::newRow("Stoptone") << &frmMain::Stoptone << 110 << kRs232;
    QTest::newRow("Saveday") << &frmMain::Saveday << 145 << kRs232;
    QTest::newRow("Savenight") << &frmMain::Savenight << 149 << kRs232;
    QTest::newRow("Setday") << &frmMain::Setday << 151 << kRs232;
    QTest::newRow("Setnight") << &frmMain::Setnight << 163 << kSerial;
    QTest::newRow("Switchon") << &frmMain::Switchon << 175 << kRs232;
    QTest::newRow("Switchoff") << &frmMain::Switchoff << 179 << kSerial;
    QTest::newRow("Save1") << &frmMain::Save1 << 136 << kRs232;
    QTest::newRow("Save2") << &frmMain::Save2 << 137 << kSerial;
    QTest::newRow("Save3") << &frmMain::Save3 << 138 << kRs232;
    QTest::newRow("Save4") << &frmMain::Save4 << 139 << kSerial;
    QTest::newRow("Recall1") << &frmMain::Recall1 << 180 << kRs232;
    QTest::newRow("Recall2") << &frmMain::Recall2 << 181 << kSerial;
    QTest::newRow("Recall3") << &frmMain::Recall3 << 182 << kRs232;
    QTest::newRow("Recall4") << &frmMain::Recall4 << 183 << kSerial;
}

void TestPanelLink::commands()
{
    QFETCH(Operation, operation);
    QFETCH(int, byte);
    QFETCH(QString, failure);

    Panel f;
    frmMain& w = *f.window;
    QVERIFY(w.sendBar() != nullptr);
    w.PortNo = 6;
    w.sendBar()->setValue(10);
    (w.*operation)();
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges.size(), 1);
    QCOMPARE(f.line.exchanges[0].written, QByteArray(1, static_cast<char>(byte)));
    QCOMPARE(f.line.exchanges[0].settings, QStringLiteral("1200,N,8,2"));
    QCOMPARE(f.line.exchanges[0].portNo, 6);
    QVERIFY(f.line.exchanges[0].closed);
    QCOMPARE(w.sendBar()->value(), 0);
    QVERIFY(f.prompts.messages.isEmpty());

    f.line.failOpen = true;
    (w.*operation)();
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges.size(), 1); // nothing written
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, failure);
    QCOMPARE(f.prompts.messages[0].title, QStringLiteral("OrvexDAB"));
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Exclamation);
    QCOMPARE(w.sendBar()->value(), 23);
}

void TestPanelLink::blockFailures_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("failure");

    QTest::newRow("posliden") << &frmMain::posliden
                              << "Error RS232, USB or IP, try to use other port (Menu Setup) or "
                                 "wrong firmware version.";
    QTest::newRow("Sendnight") << &frmMain::Sendnight
                               << "Error RS232, USB or IP, try to use other port (Menu Setup)or "
                                  "wrong firmware version.";
    QTest::newRow("Uploadday") << &frmMain::Uploadday
                               << "Error RS232, USB or IP, try to use other port (Menu Setup), "
                                  "wrong connection or wrong firmware version.";
    QTest::newRow("Uploadnight") << &frmMain::Uploadnight
                                 << "Error RS232, USB or IP, try to use other port (Menu Setup) "
                                    "or wrong connection or wrong firmware version. ";
}

void TestPanelLink::blockFailures()
{
    QFETCH(Operation, operation);
    QFETCH(QString, failure);

    // A missing port, then a reply too short (uploads) or a refused write (sends).
    for (const bool openFails : {true, false}) {
        Panel f;
        frmMain& w = *f.window;
        QVERIFY(w.sendBar() != nullptr);
        // A failed command leaves the bar full; the block transfer's failure leaves it so.
        f.line.failOpen = true;
        w.Testtone();
        QVERIFY(f.settle());
        f.prompts.messages.clear();
        w.UploadWait = 800;
        w.params().assign(model::Member::gate, 77);
        f.line.failOpen = openFails;
        f.line.failWriteAt = 20;
        f.line.nextReply = QByteArray(24, '\1');
        (w.*operation)();
        QVERIFY(f.settle());
        QCOMPARE(f.prompts.messages.size(), 1);
        QCOMPARE(f.prompts.messages[0].text, failure);
        QCOMPARE(f.prompts.messages[0].title, QStringLiteral("OrvexDAB"));
        QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Exclamation);
        QCOMPARE(w.sendBar()->value(), 23);
        QCOMPARE(w.params().value(model::Member::gate), 77);
        QVERIFY(!f.line.isOpen());
    }
}

void TestPanelLink::failureAfterOpenLeavesPanelAlone()
{
    Panel f;
    frmMain& w = *f.window;
    w.params().assign(model::Member::gate, 5);
    f.line.nextReply = QByteArray(42, '\x40');
    f.line.failWait = true; // the device vanishes while the panel waits for the reply
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(f.settle());
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(w.params().value(model::Member::gate), 5);
    QVERIFY(!f.line.isOpen());

    // The program goes on: the next exchange works.
    f.line.failWait = false;
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(f.settle());
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(w.params().value(model::Member::gate), 0x40);
}

void TestPanelLink::uploadKeysWaitAsTheyShould()
{
    Panel f;
    frmMain& w = *f.window;
    QCOMPARE(w.UploadWait, 0);
    // No answer: the day key gives the processor 800 ms, no more.
    QElapsedTimer t;
    t.start();
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(f.settle());
    QCOMPARE(w.UploadWait, 800);
    QVERIFY2(t.elapsed() >= 800 && t.elapsed() < 1800, qPrintable(QString::number(t.elapsed())));
    f.line.nextReply = QByteArray(25, '\0');
    w.toolbarKey(QStringLiteral("uplon"));
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges[0].settings, QStringLiteral("1200,N,8,1"));
    QCOMPARE(f.line.exchanges[1].settings, QStringLiteral("1200,N,8,1"));
    QCOMPARE(f.prompts.messages.size(), 1); // the day upload's, nothing for the night one
}

void TestPanelLink::uploadAppliesToThePanel()
{
    Panel f;
    frmMain& w = *f.window;
    w.PortNo = 2;
    w.sendBar()->setValue(23);
    QByteArray reply(42, '\0');
    reply[0] = 11;                     // gate
    reply[23] = static_cast<char>(1);  // Space
    reply[29] = static_cast<char>(3);  // chkTurbo
    reply[34] = static_cast<char>(99); // LUFSOffset
    f.line.nextReply = reply;
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(f.settle());
    QCOMPARE(w.params().value(model::Member::gate), 11);
    QVERIFY(w.params().flag(model::Member::Space));
    QCOMPARE(w.params().value(model::Member::chkTurbo), 1);
    QCOMPARE(w.params().value(model::Member::LUFSOffset), 99);
    QCOMPARE(w.sendBar()->value(), 0);
    QCOMPARE(f.line.exchanges[0].portNo, 2);
    QCOMPARE(f.line.exchanges[0].written, QByteArray(1, static_cast<char>(226)));
}

void TestPanelLink::inputIsDroppedWhileAnExchangeRuns()
{
    Panel f;
    frmMain& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWindow* window = w.windowHandle();
    auto* sendKey = w.findChild<QWidget*>(QStringLiteral("tool_sendd"));
    QVERIFY(sendKey != nullptr);
    const QPoint onSendKey = sendKey->mapTo(&w, sendKey->rect().center());

    // No reply comes: the day upload waits its 800 ms, the panel busy.
    w.toolbarKey(QStringLiteral("uplod"));
    QVERIFY(w.session().busy());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("busyCover"));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, onSendKey);
    QTest::keyClick(window, Qt::Key_F1);
    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges.size(), 1);
    QCOMPARE(f.prompts.messages.size(), 1); // the upload's own failure, no help, no save dialog
    QVERIFY(f.prompts.dialogs.isEmpty());

    // Outside an exchange the same input works.
    QTest::keyClick(window, Qt::Key_F1);
    QCOMPARE(f.prompts.messages.size(), 2);
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, onSendKey);
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges.size(), 2);
}

void TestPanelLink::portMarks_data()
{
    QTest::addColumn<int>("portNo");
    QTest::addColumn<QString>("checked");
    QTest::newRow("0 marks nothing") << 0 << "";
    QTest::newRow("2") << 2 << "Port2";
    QTest::newRow("4") << 4 << "Port4";
    QTest::newRow("5 is custom") << 5 << "mnuCustom";
    QTest::newRow("7 is custom") << 7 << "mnuCustom";
    QTest::newRow("255 is custom") << 255 << "mnuCustom";
}

void TestPanelLink::portMarks()
{
    QFETCH(int, portNo);
    QFETCH(QString, checked);
    Panel f;
    f.window->PortNo = static_cast<quint8>(portNo);
    f.window->markPortMenu();
    QCOMPARE(checkedPortItems(*f.window), checked);
}

void TestPanelLink::choosingAPortClearsTheOthers()
{
    Panel f;
    frmMain& w = *f.window;
    w.PortNo = 7;
    w.markPortMenu();
    QCOMPARE(checkedPortItems(w), QStringLiteral("mnuCustom"));
    w.choosePort(2);
    QCOMPARE(int(w.PortNo), 2);
    QCOMPARE(checkedPortItems(w), QStringLiteral("Port2"));

    // Through the menu item: a click on the checked item leaves it checked.
    auto* port4 = w.findChild<QAction*>(QStringLiteral("Port4"));
    QVERIFY(port4 != nullptr);
    port4->trigger();
    port4->trigger();
    QCOMPARE(int(w.PortNo), 4);
    QCOMPARE(checkedPortItems(w), QStringLiteral("Port4"));
    QVERIFY(f.line.exchanges.isEmpty());
}

void TestPanelLink::customDialogTexts()
{
    Panel f;
    frmPortCustom d(7, f.window->session(), f.prompts);
    QCOMPARE(d.windowTitle(), QStringLiteral("Other port number (for USB)"));
    QCOMPARE(d.txtCustom->text(), QStringLiteral("7"));
    QCOMPARE(d.cmdEXIT->text(), QStringLiteral("Save and Exit"));
    QCOMPARE(d.Label1->text(),
             QStringLiteral("Input Custom Port Number (1-16, in this case 3, as COM3)) :"));
    QCOMPARE(d.Label2->text(),
             QStringLiteral("If use Direct USB or IP connection with Orvex, install USB or IP "
                            "Driver, then find (Control Panels, System, Hardware, Device Manager, "
                            "Ports) USB (IP) Serial Port Number (in our example it is 3). Input "
                            "this Number to Custom Port Number. (If Com number is greater than 16, "
                            "manually change it to range 1-16, please)"));
}

void TestPanelLink::customDialogRefuses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("letters") << "abc";
    QTest::newRow("above 255") << "300";
    QTest::newRow("negative") << "-1";
    QTest::newRow("empty") << "";
    QTest::newRow("fraction") << "3.5";
    QTest::newRow("blank") << "  ";
    QTest::newRow("digits then letters") << "3a";
}

void TestPanelLink::customDialogRefuses()
{
    QFETCH(QString, typed);
    Panel f;
    frmPortCustom d(7, f.window->session(), f.prompts);
    d.show();
    d.txtCustom->setText(typed);
    QTest::mouseClick(d.cmdEXIT, Qt::LeftButton);
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].icon, PromptIcon::Exclamation);
    QVERIFY(f.prompts.messages[0].text.contains(QStringLiteral("0 to 255")));
    QCOMPARE(d.chosenPort(), std::nullopt);
    QVERIFY(d.isVisible());
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(f.window->settingsFilePath()));
}

void TestPanelLink::customDialogSaves_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("portNo");
    QTest::addColumn<QString>("checked");
    QTest::newRow("3 checks Port3") << "3" << 3 << "Port3";
    QTest::newRow("12 is custom") << "12" << 12 << "mnuCustom";
    QTest::newRow("0 checks nothing") << "0" << 0 << "";
    QTest::newRow("255") << "255" << 255 << "mnuCustom";
    QTest::newRow("blanks around") << " 9 " << 9 << "mnuCustom";
}

void TestPanelLink::customDialogSaves()
{
    QFETCH(QString, typed);
    QFETCH(int, portNo);
    QFETCH(QString, checked);
    Panel f;
    f.window->PortNo = 7;
    f.window->markPortMenu();
    auto* item = f.window->findChild<QAction*>(QStringLiteral("mnuCustom"));
    const QString seen =
        whileModal([item] { item->trigger(); }, QStringLiteral("cmdEXIT"),
                   [&typed](QDialog& d) {
                       d.findChild<QLineEdit*>(QStringLiteral("txtCustom"))->setText(typed);
                   });
    QCOMPARE(seen, QStringLiteral("frmPortCustom"));
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(int(f.window->PortNo), portNo);
    QCOMPARE(checkedPortItems(*f.window), checked);
    QVERIFY(QFile::exists(f.window->settingsFilePath()));
    QVERIFY(QFile::exists(f.window->workingFilePath()));
}

void TestPanelLink::customDialogListsLinks()
{
    Panel f;
    const QString dir = f.window->dataDir();
    QDir(dir).mkpath(QStringLiteral("ports"));
    QVERIFY(
        QFile::link(QStringLiteral("/dev/null"), QDir(dir).filePath(QStringLiteral("ports/COM6"))));
    // A simulator's link whose simulator is gone (its owner file names no running process).
    const QString stale = QDir(dir).filePath(QStringLiteral("ports/COM8"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), stale));
    QFile owner(lnk::ownerFilePath(stale));
    QVERIFY(owner.open(QIODevice::WriteOnly));
    owner.write(lnk::ownerFileContent(std::numeric_limits<int>::max()));
    owner.close();
    QVERIFY(lnk::writePortMapEntry(dir, 3, QStringLiteral("rfc2217://192.0.2.10:4001")) ==
            std::nullopt);
    frmPortCustom d(1, f.window->session(), f.prompts);
    QStringList lines;
    for (int i = 0; i < d.lstPorts->count(); ++i) {
        lines << d.lstPorts->item(i)->text();
    }
    const QString all = lines.join(QLatin1Char('\n'));
    const auto listed = [&all](const QString& line) {
        return all.contains(QRegularExpression(QLatin1Char('^') + line + QLatin1Char('$'),
                                               QRegularExpression::MultilineOption));
    };
    QVERIFY2(listed(QStringLiteral("6 +ports/COM6 -> /dev/null")), qPrintable(all));
    QVERIFY2(listed(QStringLiteral("8 +ports/COM8 -> /dev/null \\(stale\\)")), qPrintable(all));
    QVERIFY2(listed(QStringLiteral("3 +ports.ini: rfc2217://192.0.2.10:4001")), qPrintable(all));
}

void TestPanelLink::customDialogWarnsOfAnUnusableMap()
{
    Panel f;
    const QString map = QDir(f.window->dataDir()).filePath(QStringLiteral("ports.ini"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), map));
    frmPortCustom d(3, f.window->session(), f.prompts);
    QVERIFY(d.lstPorts->count() > 0);
    QCOMPARE(d.lstPorts->item(0)->text(),
             QStringLiteral("ports.ini: unusable (not a regular file)"));
}

QTEST_MAIN(TestPanelLink)
#include "test_panellink.moc"
