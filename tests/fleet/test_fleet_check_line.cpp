// The monitoring line as text: its states, its names (at most five, worst first, cut), its
// length at a thousand sites, its ages, and UNKNOWN on one short line.
#include "SiteSamples.h"
#include "fleet/Check.h"

#include <QTest>

#include <limits>

using fleet::CheckState;

using sitesamples::kNow;
using sitesamples::site;

Q_DECLARE_METATYPE(QList<fleet::Site>)
Q_DECLARE_METATYPE(fleet::CheckState)

class TestFleetCheckLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkLine_data();
    void checkLine();
    void checkLineStaysShort();
    void checkAges_data();
    void checkAges();
    void unknownIsOneShortLine();
    void aStoreItsGroupCannotWriteWarns();
};

void TestFleetCheckLine::checkLine_data()
{
    QTest::addColumn<QList<fleet::Site>>("sites");
    QTest::addColumn<CheckState>("state");
    QTest::addColumn<QString>("line");
    QTest::newRow("all fresh")
        << QList<fleet::Site>{site("a", 5400), site("b", 60, 0, 0)} << CheckState::Ok
        << "ORVEXDAB OK - 2 sites, all backed up within 26 h, 0 failed, 0 drifted | "
           "sites=2;;;0 failed=0;;;0 drifted=0;;;0 oldest_backup=5400s;93600;180000;0";
    QTest::newRow("one older than the warning age")
        << QList<fleet::Site>{site("a", 5400), site("b", 100000)} << CheckState::Warning
        << "ORVEXDAB WARNING - 2 sites, 1 not backed up within 26 h (b), 0 failed, 0 drifted | "
           "sites=2;;;0 failed=0;;;0 drifted=0;;;0 oldest_backup=100000s;93600;180000;0";
    QTest::newRow("a failed attempt and a drift")
        << QList<fleet::Site>{site("a", 60, 2), site("b", 60, 0, 3)} << CheckState::Warning
        << "ORVEXDAB WARNING - 2 sites, all backed up within 26 h, 1 failed (a), 1 drifted (b) | "
           "sites=2;;;0 failed=1;;;0 drifted=1;;;0 oldest_backup=60s;93600;180000;0";
    QTest::newRow("never backed up")
        << QList<fleet::Site>{site("a", 60), site("c", std::nullopt, 1)} << CheckState::Critical
        << "ORVEXDAB CRITICAL - 2 sites, 1 not backed up within 50 h (c), 1 failed (c), 0 drifted "
           "| "
           "sites=2;;;0 failed=1;;;0 drifted=0;;;0 oldest_backup=U;93600;180000;0";
    QTest::newRow("older than the critical age")
        << QList<fleet::Site>{site("a", 180001), site("b", 100000)} << CheckState::Critical
        << "ORVEXDAB CRITICAL - 2 sites, no attempt recorded within 26 h, 1 not backed up within "
           "50 h (a), 1 not backed up within 26 h (b), 0 failed, 0 drifted | sites=2;;;0 "
           "failed=0;;;0 drifted=0;;;0 oldest_backup=180001s;93600;180000;0";
    // The runs stopped reaching the store: the newest attempt of all is past the critical age.
    QTest::newRow("no attempt recorded within the critical age")
        << QList<fleet::Site>{site("a", 200000), site("b", 190000)} << CheckState::Critical
        << "ORVEXDAB CRITICAL - 2 sites, no attempt recorded within 50 h, 2 not backed up within "
           "50 h (a, b), 0 failed, 0 drifted | sites=2;;;0 failed=0;;;0 drifted=0;;;0 "
           "oldest_backup=200000s;93600;180000;0";
    QTest::newRow("no sites") << QList<fleet::Site>{} << CheckState::Unknown
                              << "ORVEXDAB UNKNOWN - no sites in the store";
    QTest::newRow("five names at most, the worst first")
        << QList<fleet::Site>{site("a", 60, 1),        site("b", 60, 1),   site("c", 100000),
                              site("d", 100000),       site("e", 100000),  site("f", std::nullopt),
                              site("g", std::nullopt), site("h", 60, 0, 1)}
        << CheckState::Critical
        << "ORVEXDAB CRITICAL - 8 sites, 2 not backed up within 50 h (f, g), 3 not backed up "
           "within 26 h (c, d, e), 2 failed, 1 drifted | sites=8;;;0 failed=2;;;0 drifted=1;;;0 "
           "oldest_backup=U;93600;180000;0";
    QTest::newRow("and K more")
        << QList<fleet::Site>{site("a", 60, 1), site("b", 60, 1), site("c", 60, 1),
                              site("d", 60, 1), site("e", 60, 1), site("f", 60, 1),
                              site("g", 60, 1)}
        << CheckState::Warning
        << "ORVEXDAB WARNING - 7 sites, all backed up within 26 h, 7 failed (a, b, c, d, e and 2 "
           "more), 0 drifted | sites=7;;;0 failed=7;;;0 drifted=0;;;0 "
           "oldest_backup=60s;93600;180000;0";
    QTest::newRow("a long name cut, a bar and a line end made harmless")
        << QList<fleet::Site>{site("Transmitter at the north ridge", 60, 1), site("a|b\nc", 60, 1)}
        << CheckState::Warning
        << QString::fromUtf8("ORVEXDAB WARNING - 2 sites, all backed up within 26 h, 2 failed "
                             "(Transmitter at the nort\u2026, a\\x7Cb\\x0Ac), 0 drifted | "
                             "sites=2;;;0 failed=2;;;0 drifted=0;;;0 "
                             "oldest_backup=60s;93600;180000;0");
}

void TestFleetCheckLine::aStoreItsGroupCannotWriteWarns()
{
    fleet::CheckOptions o;
    o.now = kNow;
    o.lockedOut = {QStringLiteral("/var/lib/orvexdab/fleet.sqlite-wal")};
    const fleet::CheckResult r = fleet::checkSites({site("a", 60)}, o);
    QCOMPARE(r.state, CheckState::Warning);
    QCOMPARE(r.line,
             QStringLiteral("ORVEXDAB WARNING - 1 site, all backed up within 26 h, store "
                            "not writable by its group: /var/lib/orvexdab/fleet.sqlite-wal, "
                            "0 failed, 0 drifted | sites=1;;;0 failed=0;;;0 drifted=0;;;0 "
                            "oldest_backup=60s;93600;180000;0"));
}

void TestFleetCheckLine::checkLine()
{
    QFETCH(QList<fleet::Site>, sites);
    QFETCH(CheckState, state);
    QFETCH(QString, line);
    fleet::CheckOptions o;
    o.now = kNow;
    const fleet::CheckResult r = fleet::checkSites(sites, o);
    QCOMPARE(r.line, line);
    QCOMPARE(r.state, state);
}

void TestFleetCheckLine::checkLineStaysShort()
{
    // A thousand sites, each with the longest of names, every one of them failed and drifted.
    QList<fleet::Site> sites;
    for (int i = 0; i < 1000; ++i) {
        sites << site(QStringLiteral("%1 ").arg(i, 4, 10, QLatin1Char('0')) +
                          QString(60, QChar(0x6771)),
                      i % 2 == 0 ? std::optional<qint64>() : std::optional<qint64>(100000), 3, 2);
    }
    fleet::CheckOptions o;
    o.now = kNow;
    const fleet::CheckResult r = fleet::checkSites(sites, o);
    QCOMPARE(r.state, CheckState::Critical);
    QVERIFY2(r.line.toUtf8().size() < 1000, qPrintable(QString::number(r.line.toUtf8().size())));
    QVERIFY(!r.line.contains(QLatin1Char('\n')));
    QVERIFY2(
        r.line.endsWith(QStringLiteral(
            "| sites=1000;;;0 failed=1000;;;0 drifted=1000;;;0 oldest_backup=U;93600;180000;0")),
        qPrintable(r.line));
    QVERIFY2(r.line.contains(QStringLiteral("500 not backed up within 50 h (0000 ")),
             qPrintable(r.line));
    QVERIFY2(r.line.contains(QStringLiteral(" and 495 more), 500 not backed up within 26 h, ")),
             qPrintable(r.line));
}

void TestFleetCheckLine::checkAges_data()
{
    QTest::addColumn<double>("warning");
    QTest::addColumn<double>("critical");
    QTest::addColumn<bool>("usable");
    QTest::newRow("the defaults") << 26.0 << 50.0 << true;
    QTest::newRow("equal") << 5.0 << 5.0 << true;
    QTest::newRow("ten years") << 1.0 << 87660.0 << true;
    QTest::newRow("past ten years") << 1.0 << 87661.0 << false;
    QTest::newRow("1e15 and 1e16") << 1e15 << 1e16 << false;
    QTest::newRow("infinity") << 1.0 << std::numeric_limits<double>::infinity() << false;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 50.0 << false;
    QTest::newRow("zero") << 0.0 << 50.0 << false;
    QTest::newRow("negative") << 26.0 << -1.0 << false;
    QTest::newRow("critical below warning") << 26.0 << 25.0 << false;
}

void TestFleetCheckLine::checkAges()
{
    QFETCH(double, warning);
    QFETCH(double, critical);
    QFETCH(bool, usable);
    fleet::CheckOptions o;
    o.warningHours = warning;
    o.criticalHours = critical;
    o.now = kNow;
    QCOMPARE(fleet::checkOptionsProblem(o).isEmpty(), usable);
    const fleet::CheckResult r = fleet::checkSites({site("a", 60)}, o);
    QCOMPARE(r.state, usable ? CheckState::Ok : CheckState::Unknown);
}

void TestFleetCheckLine::unknownIsOneShortLine()
{
    const QString driver = QStringLiteral(
        "connection to server at \"db\" failed: Connection refused\n\tIs the server running on "
        "that host and accepting TCP/IP connections?\nQPSQL: Unable to connect\n");
    QCOMPARE(fleet::unknownCheck(driver).line,
             QStringLiteral("ORVEXDAB UNKNOWN - connection to server at \"db\" failed: Connection "
                            "refused; Is the server running on that host and accepting TCP/IP "
                            "connections?; QPSQL: Unable to connect"));
    const QString endless = QString(5000, QChar(0x00e9)) + QStringLiteral("\r\n|x");
    const fleet::CheckResult r = fleet::unknownCheck(endless);
    QVERIFY(r.line.toUtf8().size() < 1000);
    QVERIFY(!r.line.contains(QLatin1Char('|')) && !r.line.contains(QLatin1Char('\r')));
    QCOMPARE(fleet::unansweredCheck().line,
             QStringLiteral("ORVEXDAB UNKNOWN - store did not answer within 8 s"));
}

QTEST_GUILESS_MAIN(TestFleetCheckLine)
#include "test_fleet_check_line.moc"
