// Many-site runs through the job pool, against memory lines: confirmed reads (a change is taken
// only when read twice, a glitch seen once changes nothing, replies that disagree fail), the
// limit of lines open at once, and the deadline of one site.
#include "FleetRunRig.h"
#include "MemoryLine.h"
#include "fleet/BackupRun.h"
#include "fleet/Compare.h"
#include "fleet/ConfirmedRead.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <deque>

using namespace fleetrig;
using fleet::AttemptOutcome;
using Drift = fleet::SiteDrift::State;

namespace {

// A day reply of a processor holding these values.
QByteArray dayReply(int gate, int ranges = 255)
{
    model::ParameterSet set;
    fleet::Values v = set.values();
    v[model::index(model::Member::gate)] = gate;
    v[model::index(model::Member::ranges)] = ranges;
    set.restore(v);
    return lnk::encodeReply(lnk::Layout::Day, set);
}

// A processor whose replies follow a script, one a port opening.
class ScriptedLine : public MemoryLine
{
public:
    std::deque<QByteArray> replies;
    void open(const lnk::LineSettings& settings) override
    {
        if (!replies.empty()) {
            nextReply = replies.front();
            replies.pop_front();
        }
        MemoryLine::open(settings);
    }
};

// One memory line a port, counting the lines open at once.
class CountedLines : public lnk::LineProvider
{
public:
    class Line : public MemoryLine
    {
    public:
        explicit Line(CountedLines& all) : m_all(all) {}
        void open(const lnk::LineSettings& settings) override
        {
            MemoryLine::open(settings);
            if (isOpen()) {
                m_all.peak = std::max(m_all.peak, ++m_all.open);
            }
        }
        void close() override
        {
            m_all.open -= isOpen() ? 1 : 0;
            MemoryLine::close();
        }
        void abort() override
        {
            m_all.open -= isOpen() ? 1 : 0;
            MemoryLine::abort();
        }

    private:
        CountedLines& m_all;
    };

    lnk::Line& lineFor(const lnk::PortRef& port) override
    {
        auto& line = lines[port.name()];
        if (!line) {
            line = std::make_unique<Line>(*this);
            line->replyBatches = {reply};
        }
        line->lineFor(port);
        return *line;
    }

    QByteArray reply; // arrives a few milliseconds after the request
    std::map<QString, std::unique_ptr<Line>> lines;
    int open = 0;
    int peak = 0;
};

QString outcomeOf(const fleet::SiteBackup& b)
{
    switch (b.outcome) {
    case AttemptOutcome::New:
        return QStringLiteral("new %1").arg(b.version);
    case AttemptOutcome::Unchanged:
        return QStringLiteral("unchanged");
    case AttemptOutcome::Changed:
        return QStringLiteral("changed %1 (%2)").arg(b.version).arg(b.differences);
    case AttemptOutcome::Failed:
        return QStringLiteral("failed: %1").arg(b.error);
    }
    return {};
}

QString eventsOf(const fleet::BackupReport& r)
{
    QStringList parts;
    for (const fleet::SiteEvent& e : r.events) {
        parts << QStringLiteral("%1 %2").arg(fleet::eventName(e.kind)).arg(e.version);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

class TestFleetPool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void backupTakesOnlyConfirmedReplies_data();
    void backupTakesOnlyConfirmedReplies();
    void driftLiveTakesOnlyConfirmedReplies_data();
    void driftLiveTakesOnlyConfirmedReplies();
    void poolKeepsToItsLimit();
    void siteDeadlineEndsItsAttempt();
};

void TestFleetPool::backupTakesOnlyConfirmedReplies_data()
{
    QTest::addColumn<QList<QByteArray>>("replies"); // after version 1 held gate 8
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("reads");
    QTest::addColumn<int>("versions");

    const QByteArray held = dayReply(8);
    const QByteArray changed = dayReply(9);
    QTest::newRow("unchanged: one read") << QList{held} << "unchanged"
                                         << "" << 1 << 1;
    QTest::newRow("genuine change, read twice: stored")
        << QList{changed, changed} << "changed 2 (1)"
        << "changed 2" << 2 << 2;
    QTest::newRow("change seen once, not again: a glitch, nothing stored")
        << QList{changed, held} << "unchanged"
        << "" << 2 << 1;
    QTest::newRow("two replies that differ: failed, nothing stored")
        << QList{changed, dayReply(10, 7)} << "failed: replies differ (2 values)"
        << "failed 0" << 2 << 1;
}

void TestFleetPool::backupTakesOnlyConfirmedReplies()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QString, outcome);
    QFETCH(QString, events);
    QFETCH(int, reads);
    QFETCH(int, versions);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    ScriptedLine line;
    QVERIFY(rig.direct()->addSite(QStringLiteral("North"), QStringLiteral("7")).ok());
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    o.link.lines = &line;

    // A site's first version is read twice too: nothing is known to compare it with.
    line.replies = {dayReply(8), dayReply(8)};
    fleet::BackupRun first(o, *rig.worker);
    const auto r1 = Rig::finish(first, &fleet::BackupRun::finished);
    QVERIFY(r1);
    QCOMPARE(outcomeOf(r1->sites.value(0)), QStringLiteral("new 1"));
    QCOMPARE(line.openAttempts, 2);

    line.openAttempts = 0;
    line.replies.assign(replies.cbegin(), replies.cend());
    fleet::BackupRun second(o, *rig.worker);
    const auto r2 = Rig::finish(second, &fleet::BackupRun::finished);
    QVERIFY(r2);
    QCOMPARE(outcomeOf(r2->sites.value(0)), outcome);
    QCOMPARE(eventsOf(*r2), events);
    QCOMPARE(line.openAttempts, reads);
    QCOMPARE(rig.direct()->versions(QStringLiteral("North")).value.size(), versions);
}

void TestFleetPool::driftLiveTakesOnlyConfirmedReplies_data()
{
    QTest::addColumn<QList<QByteArray>>("replies"); // against a reference holding gate 8
    QTest::addColumn<Drift>("state");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("reads");

    QTest::newRow("as the reference: one read") << QList{dayReply(8)} << Drift::NoDrift << "" << 1;
    QTest::newRow("drift read twice") << QList{dayReply(9), dayReply(9)} << Drift::Drift << "" << 2;
    QTest::newRow("drift seen once: none")
        << QList{dayReply(9), dayReply(8)} << Drift::NoDrift << "" << 2;
    QTest::newRow("replies differ: failed")
        << QList{dayReply(9), dayReply(10)} << Drift::Failed << "replies differ (1 value)" << 2;
}

void TestFleetPool::driftLiveTakesOnlyConfirmedReplies()
{
    QFETCH(QList<QByteArray>, replies);
    QFETCH(Drift, state);
    QFETCH(QString, error);
    QFETCH(int, reads);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    ScriptedLine line;
    auto store = rig.direct();
    QVERIFY(store->addSite(QStringLiteral("North"), QStringLiteral("7")).ok());
    fleet::LinkSetup link = rig.link;
    link.lines = &line;
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = link;
    line.replies = {dayReply(8), dayReply(8)};
    fleet::BackupRun backup(o, *rig.worker);
    QVERIFY(Rig::finish(backup, &fleet::BackupRun::finished));
    QVERIFY(store->approve(QStringLiteral("North")).ok());

    line.openAttempts = 0;
    line.replies.assign(replies.cbegin(), replies.cend());
    fleet::DriftRun drift(o.selection, true, link, *rig.worker);
    const auto r = Rig::finish(drift, &fleet::DriftRun::finished);
    QVERIFY(r);
    QCOMPARE(r->sites.value(0).state, state);
    QCOMPARE(r->sites.value(0).error, error);
    QCOMPARE(line.openAttempts, reads);
}

void TestFleetPool::poolKeepsToItsLimit()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    CountedLines lines;
    lines.reply = dayReply(8);
    constexpr int kSites = 12;
    auto store = rig.direct();
    for (int i = 1; i <= kSites; ++i) {
        QVERIFY(store->addSite(QStringLiteral("s%1").arg(i), QString::number(i)).ok());
    }
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    o.link.lines = &lines;
    o.link.pool.parallel = 3;
    fleet::BackupRun run(o, *rig.worker);
    const auto r = Rig::finish(run, &fleet::BackupRun::finished);
    QVERIFY(r);
    QCOMPARE(r->sites.size(), kSites);
    QVERIFY(!r->anyFailed());
    // Reached, never passed: the replies take long enough for three to overlap.
    QCOMPARE(lines.peak, 3);
    QCOMPARE(lines.open, 0);
}

void TestFleetPool::siteDeadlineEndsItsAttempt()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    // A processor that takes the connection and the request and never answers.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QPointer<QTcpSocket> peer;
    connect(&silent, &QTcpServer::newConnection, this,
            [&] { peer = silent.nextPendingConnection(); });
    QVERIFY(rig.direct()
                ->addSite(QStringLiteral("North"),
                          QStringLiteral("tcp://127.0.0.1:%1").arg(silent.serverPort()))
                .ok());
    fleet::BackupOptions o;
    o.selection.all = true;
    o.link = rig.link;
    o.link.pool.deadline = 300ms;
    fleet::BackupRun run(o, *rig.worker);
    QElapsedTimer clock;
    clock.start();
    const auto r = Rig::finish(run, &fleet::BackupRun::finished);
    QVERIFY(r);
    QCOMPARE(outcomeOf(r->sites.value(0)), QStringLiteral("failed: did not finish within 0.3 s"));
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.direct()->site(QStringLiteral("North")).value.status.failures, 1);
    // The attempt was destroyed, and its connection with it.
    QVERIFY(peer);
    QTRY_VERIFY(peer->state() == QAbstractSocket::UnconnectedState);
}

QTEST_GUILESS_MAIN(TestFleetPool)
#include "test_fleet_pool.moc"
