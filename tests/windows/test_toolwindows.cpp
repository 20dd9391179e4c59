// The tool windows: compare with the processor or a file before anything is written, and the
// line monitor with the exact bytes of every exchange.
#include "dialogs/frmCompare.h"
#include "dialogs/frmLineMonitor.h"
#include "link/ByteMeaning.h"
#include "storage/ParameterFile.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAction>
#include <QLabel>
#include <QTableWidget>
#include <QTreeWidget>

using model::Member;

namespace {

const QString kUploadFailure =
    QStringLiteral("Error RS232, USB or IP, try to use other port (Menu Setup), wrong connection "
                   "or wrong firmware version.");

// What the processor holds: the panel's initial values, three of them changed.
struct ProcessorValues : model::ParameterSet
{
    ProcessorValues()
    {
        assign(Member::gate, 200);
        assign(Member::ranges, 10);
        assign(Member::mpxpow, 100);
    }
};

} // namespace

class TestToolWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compareWithProcessor_data();
    void compareWithProcessor();
    void takeProcessorsValues();
    void compareWithFile();
    void monitorShowsEveryExchange();
};

void TestToolWindows::compareWithProcessor_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("label");
    const QByteArray day = lnk::encodeReply(lnk::Layout::Day, ProcessorValues());
    const QByteArray night = lnk::encodeReply(lnk::Layout::Night, ProcessorValues());
    QTest::newRow("day reply") << day << 32 << "3 differences";
    QTest::newRow("long reply taken as day") << day + QByteArray(3, 'Z') << 32 << "3 differences";
    QTest::newRow("night reply") << night << 25 << "3 differences";
    QTest::newRow("short reply refused")
        << day.left(30) << 0 << "No usable reply from the processor";
}

void TestToolWindows::compareWithProcessor()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, rows);
    QFETCH(QString, label);
    PanelFixture f;
    f.prompts.messages.clear();
    f.line.nextReply = reply;
    const model::ParameterSet::Values before = f.window->params().values();
    frmCompare d(f.window->session(), f.prompts, f.window.get());
    d.compareWithProcessor();
    QVERIFY(f.settle());
    QCOMPARE(d.tblValues->rowCount(), rows);
    QCOMPARE(d.lblDifferences->text(), label);
    QVERIFY(f.window->params().values() == before); // nothing applied by comparing
    QCOMPARE(f.line.exchanges.size(), 1);
    QCOMPARE(f.line.exchanges[0].written, QByteArray(1, '\xe2'));
    QCOMPARE(f.prompts.messages.size(), rows == 0 ? 1 : 0);
    if (rows == 0) {
        QCOMPARE(f.prompts.messages[0].text, kUploadFailure);
        return;
    }
    QCOMPARE(d.tblValues->item(0, 0)->text(), QStringLiteral("gate"));
    QCOMPARE(d.tblValues->item(0, 1)->text(), QStringLiteral("1"));
    QCOMPARE(d.tblValues->item(0, 2)->text(), QStringLiteral("200"));
    QCOMPARE(d.tblValues->item(0, 3)->text(), QStringLiteral("differs"));
    QCOMPARE(d.tblValues->item(2, 3)->text(), QString()); // bassrel is the same
}

void TestToolWindows::takeProcessorsValues()
{
    PanelFixture f;
    f.line.nextReply = lnk::encodeReply(lnk::Layout::Day, ProcessorValues());
    frmCompare d(f.window->session(), f.prompts, f.window.get());
    d.compareWithProcessor();
    QVERIFY(f.settle());
    QVERIFY(d.cmdTake->isEnabled());
    d.cmdTake->click();
    QCOMPARE(f.window->params().value(Member::gate), 200);
    QCOMPARE(f.window->params().value(Member::mpxpow), 100);
    QCOMPARE(d.lblDifferences->text(), QStringLiteral("No differences"));
    // The panel's values now go to the processor only when asked.
    QCOMPARE(f.line.exchanges.size(), 1);
    d.cmdSend->click();
    QVERIFY(f.settle());
    QCOMPARE(f.line.exchanges.size(), 2);
    QCOMPARE(f.line.exchanges[1].written, lnk::encodeFrame(lnk::Layout::Day, f.window->params()));
}

void TestToolWindows::compareWithFile()
{
    PanelFixture f;
    f.prompts.messages.clear();
    const QString path = f.dir.filePath(QStringLiteral("reference.DAB"));
    QVERIFY(!storage::writeParameterFile(path, ProcessorValues()));
    frmCompare d(f.window->session(), f.prompts, f.window.get());
    f.prompts.answerNextDialog(path);
    d.cmdFile->click();
    QCOMPARE(d.tblValues->rowCount(), 32); // the 32 lines of a parameter file
    QCOMPARE(d.lblDifferences->text(), QStringLiteral("3 differences"));
    QVERIFY(!d.cmdTake->isEnabled());
    QVERIFY(f.line.exchanges.isEmpty());
    // A file that cannot be read: the reader's message, the table as it was.
    f.prompts.answerNextDialog(f.dir.filePath(QStringLiteral("missing.DAB")));
    d.cmdFile->click();
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("File not found"));
    QCOMPARE(d.lblDifferences->text(), QStringLiteral("3 differences"));
}

void TestToolWindows::monitorShowsEveryExchange()
{
    PanelFixture f;
    f.window->show();
    f.window->findChild<QAction*>(QStringLiteral("mnuLineMonitor"))->trigger();
    auto* monitor = f.window->findChild<frmLineMonitor*>();
    QVERIFY(monitor != nullptr && monitor->isVisible() && !monitor->isModal());

    f.window->posliden();
    f.line.nextReply = QByteArray(20, '\x01');
    f.window->Uploadnight();
    QVERIFY(f.settle());
    QCOMPARE(monitor->tblExchanges->rowCount(), 2);
    QCOMPARE(monitor->tblExchanges->item(0, 1)->text(), QStringLiteral("COM1"));
    QCOMPARE(monitor->tblExchanges->item(0, 3)->text(), QStringLiteral("day-send"));
    QCOMPARE(monitor->tblExchanges->item(0, 4)->text(), QStringLiteral("done"));
    QVERIFY(monitor->tblExchanges->item(0, 5)->text().startsWith(QStringLiteral("7E 01 FF")));
    QCOMPARE(monitor->tblExchanges->item(1, 4)->text(), QStringLiteral("reply-refused:20-bytes"));
    QCOMPARE(monitor->tblExchanges->item(1, 6)->text(), lnk::hexBytes(QByteArray(20, '\x01')));

    monitor->tblExchanges->selectRow(0);
    QTreeWidgetItem* out = monitor->treeBytes->topLevelItem(0);
    QCOMPARE(out->childCount(), 42);
    QCOMPARE(out->child(1)->text(3), QStringLiteral("gate = 1"));

    const QString saved = f.dir.filePath(QStringLiteral("monitor.txt"));
    f.prompts.answerNextDialog(saved);
    monitor->cmdSave->click();
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 2);
    // line.log in the data folder holds the same two lines.
    QFile log(QDir(f.window->dataDir()).filePath(QStringLiteral("line.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count('\n'), 2);
}

QTEST_MAIN(TestToolWindows)
#include "test_toolwindows.moc"
