// The check within its time: a server that accepts and never answers, a store another session
// has locked, a watchdog that answers for a store that hangs, and a store the user may not
// read. On SQLite, or on PostgreSQL when ORVEX_TEST_STORE names a cluster.
#include "StoreRig.h"
#include "fleet/CheckRun.h"
#include "fleet/StoreWorker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

using namespace std::chrono_literals;
using storerig::FreshStore;

namespace {

// The longest a check may take, and a little for the test's own event loop.
constexpr int kAnswerMs = fleet::kCheckAnswerSeconds * 1000;
constexpr int kWaitMs = kAnswerMs + 1500;

struct Answer
{
    fleet::CheckResult result;
    qint64 ms = -1;
};

Answer runCheck(const fleet::StoreLocation& location, std::chrono::milliseconds limit = 0ms)
{
    fleet::CheckRun run(location, {});
    if (limit > 0ms) {
        run.setAnswerTime(limit);
    }
    QSignalSpy spy(&run, &fleet::CheckRun::finished);
    QElapsedTimer clock;
    clock.start();
    run.start();
    Answer a;
    if (spy.wait(kWaitMs)) {
        a.ms = clock.elapsed();
        a.result = spy.at(0).at(0).value<fleet::CheckResult>();
    }
    return a;
}

// Accepts every connection and never says a word.
class SilentServer : public QTcpServer
{
public:
    SilentServer()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                s->setParent(this);
            }
        });
    }
    fleet::StoreLocation location() const
    {
        fleet::StoreLocation l;
        l.kind = fleet::StoreKind::Postgres;
        l.host = QStringLiteral("127.0.0.1");
        l.port = serverPort();
        l.user = QStringLiteral("ops");
        l.database = QStringLiteral("fleet");
        return l;
    }
};

} // namespace

Q_DECLARE_METATYPE(fleet::CheckResult)

class TestFleetCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void unansweringServerIsUnknownInTime();
    void closingDoesNotWaitForASilentStore();
    void watchdogAnswersForAStoreThatHangs();
    void lockedStoreIsUnknownInTime();
    void unreadableStoreSaysPermissionDenied();
    void storeOverTls_data();
    void storeOverTls();
};

void TestFleetCheck::initTestCase()
{
    qRegisterMetaType<fleet::CheckResult>();
}

void TestFleetCheck::unansweringServerIsUnknownInTime()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        QSKIP("no PostgreSQL driver");
    }
    SilentServer server;
    QVERIFY(server.isListening());
    const Answer a = runCheck(server.location());
    qInfo("figure: check against a server that never answers: %lld ms, a line of %lld bytes",
          qlonglong(a.ms), qlonglong(a.result.line.toUtf8().size()));
    QVERIFY2(a.ms >= 0 && a.ms < kAnswerMs, qPrintable(QString::number(a.ms)));
    QCOMPARE(a.result.state, fleet::CheckState::Unknown);
    QVERIFY2(a.result.line.contains(QLatin1String("timeout expired")), qPrintable(a.result.line));
    QVERIFY(!a.result.line.contains(QLatin1Char('\n')));
    QTRY_COMPARE_WITH_TIMEOUT(fleet::CheckRun::threadsLeftRunning(), 0, kWaitMs);
}

// The panel's store worker closing while its thread waits on a server that never answers: the
// program quits within the bound, and the thread is left to end by itself.
void TestFleetCheck::closingDoesNotWaitForASilentStore()
{
    SilentServer server;
    fleet::StoreLocation location = server.location();
    location.bounds.connectSeconds = 4;
    QObject context;
    bool answered = false;
    auto worker = std::make_unique<fleet::StoreWorker>(location);
    worker->call<bool>(
        &context, [](fleet::Store& s) { return s.sites().ok(); },
        [&answered](bool) { answered = true; });
    QTest::qWait(300); // inside the connection by now
    QElapsedTimer clock;
    clock.start();
    worker.reset();
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(fleet::StoreWorker::abandoned(), 1);
    // The abandoned thread ends once the server's silence has timed out; nobody gets a result.
    QTest::qWait(5000);
    QVERIFY(!answered);
}

void TestFleetCheck::watchdogAnswersForAStoreThatHangs()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        QSKIP("no PostgreSQL driver");
    }
    SilentServer server;
    const Answer a = runCheck(server.location(), 300ms);
    QVERIFY2(a.ms >= 250 && a.ms < 2000, qPrintable(QString::number(a.ms)));
    QCOMPARE(a.result.line, QStringLiteral("ORVEXDAB UNKNOWN - store did not answer within 8 s"));
    QCOMPARE(a.result.state, fleet::CheckState::Unknown);
    // Its thread ends on its own, within the check's connection bound.
    QCOMPARE(fleet::CheckRun::threadsLeftRunning(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(fleet::CheckRun::threadsLeftRunning(), 0, kWaitMs);
}

void TestFleetCheck::lockedStoreIsUnknownInTime()
{
    if (!storerig::onPostgres()) {
        QSKIP("a PostgreSQL lock: run under on_postgresql.sh");
    }
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY(rig.open()->addSite(QStringLiteral("tower"), QStringLiteral("7")).ok());
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("lock"));
        db.setDatabaseName(rig.location.database);
        db.setHostName(rig.location.host);
        if (rig.location.port >= 0) {
            db.setPort(rig.location.port);
        }
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("BEGIN")));
        QVERIFY(q.exec(QStringLiteral("LOCK TABLE fleet_sites IN ACCESS EXCLUSIVE MODE")));
        const Answer a = runCheck(rig.location);
        QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
        qInfo("figure: check against a locked PostgreSQL store: %lld ms, a line of %lld bytes",
              qlonglong(a.ms), qlonglong(a.result.line.toUtf8().size()));
        QVERIFY2(a.ms >= 0 && a.ms < kAnswerMs, qPrintable(QString::number(a.ms)));
        QCOMPARE(a.result.state, fleet::CheckState::Unknown);
        QVERIFY2(a.result.line.contains(QLatin1String("timeout")), qPrintable(a.result.line));
        QVERIFY(!a.result.line.contains(QLatin1Char('\n')));
        // Unlocked, the same check answers from the store.
        QCOMPARE(runCheck(rig.location).result.state, fleet::CheckState::Critical);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock"));
}

void TestFleetCheck::unreadableStoreSaysPermissionDenied()
{
#ifndef Q_OS_LINUX
    QSKIP("POSIX permissions and user ids");
#else
    if (storerig::onPostgres()) {
        QSKIP("a file's permissions");
    }
    FreshStore rig;
    QVERIFY(rig.ready);
    QVERIFY(rig.open()->addSite(QStringLiteral("tower"), QStringLiteral("7")).ok());
    const QString folder = rig.dir.path();
    QVERIFY(QFile::setPermissions(rig.location.path, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // Another user's folder: as root, the test becomes nobody for the check's own reads.
    const bool root = ::geteuid() == 0;
    if (!root) {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner));
    } else {
        // Real and effective: access(), which tells what a user may do, asks for the real one.
        // The saved ids stay root's, to come back.
        QCOMPARE(::setresgid(65534, 65534, 0), 0);
        QCOMPARE(::setresuid(65534, 65534, 0), 0);
    }
    const Answer a = runCheck(rig.location);
    if (root) {
        QCOMPARE(::setresuid(0, 0, 0), 0);
        QCOMPARE(::setresgid(0, 0, 0), 0);
    }
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(a.result.state, fleet::CheckState::Unknown);
    QCOMPARE(a.result.line, QStringLiteral("ORVEXDAB UNKNOWN - %1: permission denied").arg(folder));
#endif
}

void TestFleetCheck::storeOverTls_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("root"); // in ORVEX_TLS_DIR
    QTest::addColumn<bool>("trusted");
    QTest::newRow("verify-full, the server's root") << "verify-full"
                                                    << "ca.crt" << true;
    QTest::newRow("verify-ca, the server's root") << "verify-ca"
                                                  << "ca.crt" << true;
    QTest::newRow("verify-full, another root") << "verify-full"
                                               << "other-ca.crt" << false;
}

void TestFleetCheck::storeOverTls()
{
    const QString tlsDir = qEnvironmentVariable("ORVEX_TLS_DIR");
    if (tlsDir.isEmpty()) {
        QSKIP("a cluster with TLS: run under on_postgresql_tls.sh");
    }
    QFETCH(QString, mode);
    QFETCH(QString, root);
    QFETCH(bool, trusted);
    FreshStore rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    fleet::StoreLocation over = rig.location;
    over.host = QStringLiteral("localhost"); // the name the server's certificate is for
    over.tls.mode = mode;
    over.tls.rootCert = QDir(tlsDir).filePath(root);
    fleet::Store store(over);
    const auto added = store.addSite(QStringLiteral("tower"), QStringLiteral("7"));
    const Answer a = runCheck(over);
    if (trusted) {
        QVERIFY2(added.ok(), qPrintable(added.error->message));
        QCOMPARE(a.result.state, fleet::CheckState::Critical);
        return;
    }
    const QString refused =
        QStringLiteral("TLS: server certificate not trusted (%1)").arg(over.tls.rootCert);
    QVERIFY(!added.ok());
    QVERIFY2(added.error->message.endsWith(refused), qPrintable(added.error->message));
    QCOMPARE(a.result.state, fleet::CheckState::Unknown);
    QVERIFY2(a.result.line.endsWith(refused), qPrintable(a.result.line));
}

QTEST_GUILESS_MAIN(TestFleetCheck)
#include "test_fleet_check.moc"
