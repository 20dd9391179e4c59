// The session on an in-memory line: one exchange after another with the frame gap, the progress
// bar's rules, replies applied or only reported, the port an exchange uses.
#include "session/PanelSession.h"
#include "support/MemoryLine.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;
using model::Member;

namespace {

QByteArray counting(int size)
{
    QByteArray r;
    for (int i = 0; i < size; ++i) {
        r.append(static_cast<char>(i + 1));
    }
    return r;
}

struct Rig
{
    Rig()
    {
        session::SessionEnvironment env;
        env.programDir = dir.path();
        env.lines = &line;
        s = std::make_unique<session::PanelSession>(env);
    }
    QTemporaryDir dir;
    MemoryLine line;
    std::unique_ptr<session::PanelSession> s;
};

using Action = std::function<void(session::PanelSession&)>;

} // namespace

Q_DECLARE_METATYPE(Action)

class TestSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void busyWhileAnExchangeRuns();
    void failureLeavesTheBar_data();
    void failureLeavesTheBar();
    void uploadAppliedAfterClose();
    void replyKeptForCompare();
    void framesNeverRunTogether();
    void portOfTheExchange();
};

void TestSession::busyWhileAnExchangeRuns()
{
    Rig r;
    QSignalSpy busy(r.s.get(), &session::PanelSession::busyChanged);
    QSignalSpy progress(r.s.get(), &session::PanelSession::progressChanged);
    QSignalSpy finished(r.s.get(), &session::PanelSession::exchangeFinished);
    r.s->sendDay();
    QVERIFY(r.s->busy());
    QVERIFY(finished.wait(5000));
    QVERIFY(!r.s->busy());
    QCOMPARE(busy.size(), 2);
    QCOMPARE(busy[0][0].toBool(), true);
    QCOMPARE(busy[1][0].toBool(), false);
    QList<int> shown;
    for (const QList<QVariant>& p : progress) {
        shown << p[0].toInt();
    }
    QCOMPARE(shown, (QList<int>{5, 10, 15, 20, 23, 0}));
    QVERIFY(finished[0][0].value<lnk::ExchangeResult>().ok());
    QCOMPARE(r.line.exchanges.size(), 1);
}

void TestSession::failureLeavesTheBar_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<bool>("atOpen"); // else at the frame's 10th byte, after the bar showed 10
    QTest::addColumn<int>("barAfter");
    const Action day = [](auto& s) { s.sendDay(); };
    const Action night = [](auto& s) { s.sendNight(); };
    QTest::newRow("day send broken off: as it was") << day << false << 0;
    QTest::newRow("night send broken off: as it was") << night << false << 0;
    QTest::newRow("day send not opened: as it was") << day << true << 0;
    QTest::newRow("command: full")
        << Action([](auto& s) { s.command(lnk::Command::Setday); }) << true << 23;
    QTest::newRow("upload: as it was") << Action([](auto& s) { s.uploadNight(); }) << true << 0;
}

void TestSession::failureLeavesTheBar()
{
    QFETCH(Action, action);
    QFETCH(bool, atOpen);
    QFETCH(int, barAfter);
    Rig r;
    r.line.failOpen = atOpen;
    r.line.failWriteAt = atOpen ? -1 : 9;
    QList<int> shown;
    connect(r.s.get(), &session::PanelSession::progressChanged, this, [&](int v) { shown << v; });
    QSignalSpy finished(r.s.get(), &session::PanelSession::exchangeFinished);
    action(*r.s);
    QVERIFY(finished.wait(5000));
    QVERIFY(!finished[0][0].value<lnk::ExchangeResult>().ok());
    QCOMPARE(r.s->progress(), barAfter);
    if (!atOpen) {
        QCOMPARE(shown, (QList<int>{5, 10, 0}));
    }
}

void TestSession::uploadAppliedAfterClose()
{
    Rig r;
    r.line.nextReply = counting(42);
    bool closedWhenApplied = true;
    connect(r.s.get(), &session::PanelSession::parametersChanged, this,
            [&] { closedWhenApplied = closedWhenApplied && !r.line.isOpen(); });
    r.s->uploadDay();
    QVERIFY(waitIdle(*r.s));
    QVERIFY(closedWhenApplied);
    QCOMPARE(r.s->params().value(Member::gate), 1);
    QCOMPARE(r.s->params().value(Member::LUFSOffset), 35);
    QCOMPARE(r.s->progress(), 0);

    // A refused reply changes nothing.
    r.line.nextReply = counting(41);
    r.s->params().assign(Member::gate, 77);
    r.s->uploadDay(50ms);
    QVERIFY(waitIdle(*r.s));
    QCOMPARE(r.s->params().value(Member::gate), 77);
}

void TestSession::replyKeptForCompare()
{
    Rig r;
    r.line.nextReply = counting(25);
    QSignalSpy finished(r.s.get(), &session::PanelSession::exchangeFinished);
    r.s->upload(session::ReplyUse::ReportOnly);
    QVERIFY(finished.wait(5000));
    const auto result = finished[0][0].value<lnk::ExchangeResult>();
    QCOMPARE(result.layout, std::optional(lnk::Layout::Night));
    QCOMPARE(result.reply(), counting(25));
    QCOMPARE(r.s->params().value(Member::gate), 1); // the initial value, untouched
}

void TestSession::framesNeverRunTogether()
{
    Rig r;
    r.s->sendNight();
    r.s->sendNight();
    r.s->command(lnk::Command::Testtone);
    QVERIFY(waitIdle(*r.s));
    QCOMPARE(r.line.exchanges.size(), 3);
    for (int i = 1; i < 3; ++i) {
        const auto gap = r.line.exchanges[i].openedAt - r.line.exchanges[i - 1].closedAt;
        QVERIFY2(
            gap >= session::kFrameGap,
            qPrintable(QString::number(std::chrono::duration<double, std::milli>(gap).count())));
    }
}

void TestSession::portOfTheExchange()
{
    Rig r;
    r.s->setPortNo(7);
    r.s->command(lnk::Command::Testtone);
    QVERIFY(waitIdle(*r.s));
    r.s->setPortAddress(QStringLiteral("tcp://127.0.0.1:4001"));
    r.s->command(lnk::Command::Testtone);
    QVERIFY(waitIdle(*r.s));
    QCOMPARE(r.line.exchanges[0].port, QStringLiteral("COM7"));
    QCOMPARE(r.line.exchanges[1].port, QStringLiteral("tcp://127.0.0.1:4001"));
    QCOMPARE(r.s->portNo(), 7);
}

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
