// Closing while the panel talks to the processor: a close box or a termination signal during an
// exchange is carried out once the exchange has ended, nothing is lost, no message box holds the
// exit and no test tone stays on.
#include "app/TerminationWatcher.h"
#include "storage/ParameterFile.h"
#include "support/FileBytes.h"
#include "support/LiveRig.h"

#include <QAction>
#include <QDialog>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <csignal>

using namespace std::chrono_literals;
using model::Member;

namespace {

enum class Ask
{
    CloseBox,
    Signal,
};

enum class Job
{
    DaySend,
    SlowNightUpload,
    Command,
    UploadWithoutReply,
};

// Every slider away from its initial value.
void distinct(model::ParameterSet& set, int seed)
{
    for (const model::MemberInfo& i : model::members()) {
        if (model::isSlider(i.member)) {
            set.assign(i.member, (model::index(i.member) * 7 + seed) % 256);
        }
    }
}

// A loaded, shown panel whose termination requests come from the process's signals.
struct ClosingPanel : rig::LivePanel
{
    ClosingPanel()
    {
        window->load();
        window->PortNo = rig::kPort;
        prompts.messages.clear(); // the first start's missing working file
        window->closeOnRequestsOf(watcher);
        window->show();
    }
    [[nodiscard]] bool closed() const
    {
        return QTest::qWaitFor([this] { return !window->isVisible(); }, 15000);
    }
    TerminationWatcher watcher;
};

} // namespace

Q_DECLARE_METATYPE(Ask)
Q_DECLARE_METATYPE(Job)

class TestClose : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closeDuringExchange_data();
    void closeDuringExchange();
    void terminationWithTestSignalOpen();
    void terminationDuringSplash();
};

void TestClose::closeDuringExchange_data()
{
    QTest::addColumn<Ask>("ask");
    QTest::addColumn<int>("signal");
    QTest::addColumn<Job>("job");
    const struct
    {
        Ask ask;
        int signal;
        const char* name;
    } asks[] = {{Ask::CloseBox, 0, "close box"},
                {Ask::Signal, SIGTERM, "SIGTERM"},
                {Ask::Signal, SIGINT, "SIGINT"},
                {Ask::Signal, SIGHUP, "SIGHUP"}};
    const struct
    {
        Job job;
        const char* name;
    } jobs[] = {{Job::DaySend, "day send"},
                {Job::SlowNightUpload, "night upload, slow processor"},
                {Job::Command, "command"},
                {Job::UploadWithoutReply, "upload without reply"}};
    for (const auto& a : asks) {
        for (const auto& j : jobs) {
            QTest::addRow("%s during %s", a.name, j.name) << a.ask << a.signal << j.job;
        }
    }
}

void TestClose::closeDuringExchange()
{
    QFETCH(Ask, ask);
    QFETCH(int, signal);
    QFETCH(Job, job);

    ClosingPanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;
    distinct(w.params(), 5);
    model::ParameterSet held;
    distinct(held, 77);
    sim::State state = p.simulator->state();
    state.night = sim::valuesOf(held);
    p.simulator->setState(state);
    sim::Settings settings;
    settings.replyLayout = lnk::Layout::Night;
    settings.reaction = 400ms;
    p.simulator->setSettings(settings);

    const int from = p.mark();
    switch (job) {
    case Job::DaySend:
        w.toolbarKey(QStringLiteral("sendd"));
        break;
    case Job::SlowNightUpload:
        w.toolbarKey(QStringLiteral("uplon"));
        break;
    case Job::Command:
        w.Setday();
        break;
    case Job::UploadWithoutReply:
        settings.noReply = true;
        p.simulator->setSettings(settings);
        w.toolbarKey(QStringLiteral("uplod"));
        break;
    }
    QVERIFY(w.session().busy());
    if (ask == Ask::CloseBox) {
        QVERIFY(!w.close()); // not now: once the exchange is over
    } else {
        QCOMPARE(::raise(signal), 0);
    }
    QVERIFY(p.closed());

    QVERIFY(!w.session().busy());
    QVERIFY2(p.prompts.messages.isEmpty(), qPrintable(p.prompts.messages.value(0).text));
    switch (job) {
    case Job::DaySend:
        QVERIFY(p.logSays(QStringLiteral("day frame:"), from));
        break;
    case Job::SlowNightUpload:
        QVERIFY(p.logSays(QStringLiteral("sent night reply"), from));
        QCOMPARE(w.params().value(Member::gate), held.value(Member::gate));
        QCOMPARE(w.params().value(Member::mclipdrive), held.value(Member::mclipdrive));
        break;
    case Job::Command:
        QVERIFY(p.logSays(QStringLiteral("command 151 Setday"), from));
        break;
    case Job::UploadWithoutReply:
        // Its failure goes to standard error: no message box holds the close.
        QCOMPARE(p.lastResult.status, lnk::ExchangeStatus::ReplyRefused);
        break;
    }
    // The working file holds the panel as the exchange left it; the settings file the port.
    QCOMPARE(contentOf(w.workingFilePath()), storage::formatParameterFile(w.params()));
    QVERIFY(QFile::exists(w.settingsFilePath()));
}

void TestClose::terminationWithTestSignalOpen()
{
    ClosingPanel p;
    QVERIFY2(p.started, qPrintable(p.error));
    frmMain& w = *p.window;
    auto* item = w.findChild<QAction*>(QStringLiteral("Testsignal"));
    QVERIFY(item != nullptr);
    const int from = p.mark();
    QObject scope;
    // The tone goes on from the dialog, then the program is asked to end.
    QTimer::singleShot(50, &scope, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
        }
    });
    QTimer::singleShot(400, &scope, [] { ::raise(SIGTERM); });
    // A dialog that would not go must not hang the test.
    QTimer::singleShot(10s, &scope, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->done(QDialog::Rejected);
        }
    });
    item->trigger();
    QVERIFY(p.closed());
    QVERIFY(p.logSays(QStringLiteral("command 100 Testtone"), from));
    QVERIFY(p.logSays(QStringLiteral("command 110 Stoptone"), from));
    QVERIFY(!p.simulator->state().testTone);
    QVERIFY(p.prompts.messages.isEmpty());
}

void TestClose::terminationDuringSplash()
{
    // The program itself, from a folder of its own, ended while its splash shows: no message
    // box waits for anybody, and the files are written.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("orvexdab"));
    QVERIFY(
        QFile::copy(qEnvironmentVariable("ORVEX_BIN_DIR") + QStringLiteral("/orvexdab"), program));
    QProcess panel;
    panel.setProgram(program);
    panel.setWorkingDirectory(dir.path());
    panel.start();
    QVERIFY(panel.waitForStarted(5000));
    QTest::qWait(700); // the splash stays two seconds
    QVERIFY(panel.state() == QProcess::Running);
    ::kill(static_cast<pid_t>(panel.processId()), SIGTERM);
    QVERIFY2(panel.waitForFinished(5000), "the panel did not end");
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("actual.DAB"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("ORVEXFM.INI"))));
    // The first start's message went to standard error instead of a box.
    QVERIFY(panel.readAllStandardError().contains("File not found"));
}

QTEST_MAIN(TestClose)
#include "test_close.moc"
