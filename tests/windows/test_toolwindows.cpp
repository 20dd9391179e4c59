// The tool windows: compare with the processor or a file before anything is written, and the
// line monitor with the exact bytes of every exchange.
#include "dialogs/ExchangeTable.h"
#include "dialogs/frmCompare.h"
#include "dialogs/frmLineMonitor.h"
#include "link/ByteMeaning.h"
#include "session/LineLog.h"
#include "storage/ParameterFile.h"
#include "support/PanelFixture.h"
#include "support/WindowChecks.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
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
    void processorColumnAsReceived();
    void noInputDuringUpload();
    void compareWithFile();
    void monitorShowsEveryExchange();
    void monitorFollowsAFullLog();
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
    QCOMPARE(d.tblValues->item(0, 0)->text(), QStringLiteral("Levelers (bass and main)"));
    QCOMPARE(d.tblValues->item(0, 1)->text(), QStringLiteral("Gate"));
    QCOMPARE(d.tblValues->item(0, 1)->toolTip(), QStringLiteral("gate"));
    QCOMPARE(d.tblValues->item(0, 2)->text(), QStringLiteral("1"));
    QCOMPARE(d.tblValues->item(0, 3)->text(), QStringLiteral("200"));
    QCOMPARE(d.tblValues->item(0, 4)->text(), QStringLiteral("differs"));
    QCOMPARE(d.tblValues->item(2, 1)->text(), QStringLiteral("Bass release"));
    QCOMPARE(d.tblValues->item(2, 4)->text(), QString()); // the same on both sides
    QCOMPARE(d.tblValues->item(13, 0)->text(), QStringLiteral("Limiters"));
    QCOMPARE(d.tblValues->item(13, 1)->text(), QStringLiteral("Density"));
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

// The row of a member, by the member name its cells carry as tool tip.
static int rowOf(const QTableWidget& table, const QString& name)
{
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.item(row, 1)->toolTip() == name) {
            return row;
        }
    }
    return -1;
}

void TestToolWindows::processorColumnAsReceived()
{
    PanelFixture f;
    f.window->params().setFlag(Member::AutoDensity, true);
    // Day reply, by hand: bass amount (offset 4) 40, density (offset 13) 90, the rest 0.
    QByteArray reply(lnk::replySize(lnk::Layout::Day), '\0');
    reply[4] = char(40);
    reply[13] = char(90);
    f.line.nextReply = reply;
    frmCompare d(f.window->session(), f.prompts, f.window.get());
    d.compareWithProcessor();
    QVERIFY(f.settle());
    const int bass = rowOf(*d.tblValues, QStringLiteral("bassamount"));
    QVERIFY(bass >= 0);
    QCOMPARE(d.tblValues->item(bass, 1)->text(), QStringLiteral("Bass on Voice"));
    QCOMPARE(d.tblValues->item(bass, 3)->text(), QStringLiteral("40"));

    // Taken as an upload takes it, density follows onto bass amount: that difference is real.
    d.cmdTake->click();
    QCOMPARE(f.window->params().value(Member::density), 90);
    QCOMPARE(f.window->params().value(Member::bassamount), 90);
    QCOMPARE(d.tblValues->item(bass, 2)->text(), QStringLiteral("90"));
    QCOMPARE(d.tblValues->item(bass, 3)->text(), QStringLiteral("40"));
    QCOMPARE(d.tblValues->item(bass, 4)->text(), QStringLiteral("differs"));
    QCOMPARE(d.lblDifferences->text(), QStringLiteral("1 difference"));
}

void TestToolWindows::noInputDuringUpload()
{
    PanelFixture f;
    f.window->show();
    // No reply comes: the compare window's upload waits its whole time, the window open.
    const QString path = f.dir.filePath(QStringLiteral("reference.DAB"));
    QVERIFY(!storage::writeParameterFile(path, ProcessorValues()));
    f.prompts.answerNextDialog(path);
    bool clicked = false;
    QObject scope; // a window left open by a failed check is closed after all
    QTimer::singleShot(std::chrono::seconds(15), &scope, [] {
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            open->done(QDialog::Rejected);
        }
    });
    QTimer::singleShot(0, f.window.get(), [&] {
        auto* d = qobject_cast<frmCompare*>(QApplication::activeModalWidget());
        QVERIFY(d != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(d));
        QVERIFY(QTest::qWaitFor([&f] { return f.window->session().busy(); }, 1000));
        QTest::mouseClick(d->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          d->cmdFile->mapTo(d, d->cmdFile->rect().center()));
        clicked = true;
        QVERIFY(f.settle());
        QCOMPARE(d->windowTitle(), QStringLiteral("Compare with processor"));
        d->cmdClose->click();
    });
    f.window->findChild<QAction*>(QStringLiteral("mnuCompare"))->trigger();
    QVERIFY(clicked);
    QVERIFY(f.prompts.dialogs.isEmpty()); // the file dialog never opened
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
    const QAbstractItemModel& rows = *monitor->tblExchanges->model();
    const auto cell = [&rows](int row, int column) {
        return rows.index(row, column).data().toString();
    };
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(cell(0, 1), QStringLiteral("COM1"));
    QCOMPARE(cell(0, 3), QStringLiteral("day-send"));
    QCOMPARE(cell(0, 4), QStringLiteral("done"));
    QVERIFY(cell(0, 5).startsWith(QStringLiteral("7E 01 FF")));
    QCOMPARE(cell(1, 4), QStringLiteral("reply-refused:20-bytes"));
    QCOMPARE(cell(1, 6), lnk::hexBytes(QByteArray(20, '\x01')));

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

// Past the log's limit the oldest exchange leaves the table as the newest comes in.
void TestToolWindows::monitorFollowsAFullLog()
{
    session::LineLog log{QString()};
    lnk::ExchangeResult r;
    r.kind = lnk::ExchangeKind::SendDay;
    for (std::size_t n = 0; n < session::kExchangesKept; ++n) {
        r.port = QStringLiteral("COM%1").arg(n);
        log.append(r);
    }
    ExchangeTable table(log);
    QAbstractItemModelTester tester(&table, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(table.index(0, ExchangeTable::Port).data().toString(), QStringLiteral("COM0"));
    r.port = QStringLiteral("COM%1").arg(session::kExchangesKept);
    log.append(r);
    QCOMPARE(table.rowCount(), int(session::kExchangesKept));
    QCOMPARE(table.index(0, ExchangeTable::Port).data().toString(), QStringLiteral("COM1"));
    QCOMPARE(table.index(int(session::kExchangesKept) - 1, ExchangeTable::Port).data().toString(),
             QStringLiteral("COM%1").arg(session::kExchangesKept));
}

QTEST_MAIN(TestToolWindows)
#include "test_toolwindows.moc"
