// line.log: one line per exchange in a fixed format, rotated at 1 MiB, never in the way of an
// exchange; and what the monitor says each byte meant.
#include "link/ByteMeaning.h"
#include "session/PanelSession.h"
#include "support/FileBytes.h"
#include "support/MemoryLine.h"
#include "support/NodeIdentity.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

using lnk::ExchangeKind;
using lnk::ExchangeStatus;

namespace {

lnk::ExchangeResult result(ExchangeKind kind, ExchangeStatus status, const QByteArray& out,
                           const QByteArray& in)
{
    lnk::ExchangeResult r;
    r.kind = kind;
    r.status = status;
    r.sent = out;
    r.received = in;
    r.port = QStringLiteral("COM1");
    r.startedAt = QDateTime(QDate(2026, 12, 8), QTime(14, 3, 11, 250));
    return r;
}

enum class Node
{
    Fifo,
    CharacterDevice, // a twin of /dev/null made in the test's own folder
    LinkToFile,
};

// Standard error into a file while it lives.
class CapturedStderr
{
public:
    CapturedStderr()
    {
        if (m_file.open()) {
            std::fflush(stderr);
            m_saved = ::dup(STDERR_FILENO);
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~CapturedStderr() { restore(); }
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

// Two exchanges into the log, in a thread of their own; false when they did not come back in
// time. A log that blocked on a FIFO is then given a reader, so that the thread ends.
bool appendTwiceBounded(session::LineLog& log, const QString& path)
{
    const auto r = result(ExchangeKind::SendDay, ExchangeStatus::Done, QByteArray(42, '\0'), {});
    std::future<void> done = std::async(std::launch::async, [&log, r] {
        log.append(r);
        log.append(r);
    });
    if (done.wait_for(5s) == std::future_status::ready) {
        return true;
    }
    while (done.wait_for(100ms) != std::future_status::ready) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        if (fd >= 0) {
            std::this_thread::sleep_for(50ms);
            ::close(fd);
        }
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Node)
Q_DECLARE_METATYPE(lnk::ExchangeResult)

class TestLineLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineFormat_data();
    void lineFormat();
    void rotatesAtOneMebibyte();
    void keepsTheLatestExchanges();
    void unwritableLogFailsNoExchange();
    void nonRegularLogIsLeftAlone_data();
    void nonRegularLogIsLeftAlone();
    void rotationSkippedWhileAnotherHoldsTheLock();
    void byteMeanings();
};

void TestLineLog::lineFormat_data()
{
    QTest::addColumn<lnk::ExchangeResult>("r");
    QTest::addColumn<QString>("line");

    QTest::newRow("day send done")
        << result(ExchangeKind::SendDay, ExchangeStatus::Done, QByteArray::fromHex("7e01ff"), {})
        << "2026-12-08T14:03:11.250 COM1 day-send done out: 7E 01 FF in: ";
    auto missing = result(ExchangeKind::Command, ExchangeStatus::OpenFailed, {}, {});
    missing.command = lnk::Command::Setnight;
    missing.fault = lnk::LineFault::PortMissing;
    missing.detail = QStringLiteral("No serial device for port number 1");
    QTest::newRow("command, no port")
        << missing
        << "2026-12-08T14:03:11.250 COM1 Setnight open-failed:port-missing out:  in:  why: No "
           "serial device for port number 1";
    auto shortReply = result(ExchangeKind::UploadDay, ExchangeStatus::ReplyRefused,
                             QByteArray::fromHex("e2"), QByteArray::fromHex("0102"));
    shortReply.replyCount = 2;
    QTest::newRow("short day reply")
        << shortReply
        << "2026-12-08T14:03:11.250 COM1 day-upload reply-refused:2-bytes out: E2 in: 01 02";
}

void TestLineLog::lineFormat()
{
    QFETCH(lnk::ExchangeResult, r);
    QFETCH(QString, line);
    QCOMPARE(session::logLine(r), line);
}

void TestLineLog::rotatesAtOneMebibyte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.log"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray old(session::kLineLogLimit - 20, 'x');
    f.write(old);
    f.close();
    session::LineLog log(path);
    const auto r = result(ExchangeKind::SendDay, ExchangeStatus::Done, QByteArray(42, '\0'), {});
    log.append(r);
    QCOMPARE(contentOf(path + QStringLiteral(".1")), old);
    QCOMPARE(contentOf(path), session::logLine(r).toUtf8() + '\n');
    log.append(r);
    QCOMPARE(contentOf(path).count('\n'), 2);
    QVERIFY(!QFile::exists(path + QStringLiteral(".2")));
}

void TestLineLog::keepsTheLatestExchanges()
{
    session::LineLog log{QString()};
    for (int i = 0; i < 2001; ++i) {
        auto r = result(ExchangeKind::Command, ExchangeStatus::Done, QByteArray(1, char(i)), {});
        log.append(r);
    }
    QCOMPARE(log.exchanges().size(), std::size_t{2000});
    QCOMPARE(log.exchanges().front().sent, QByteArray(1, char(1)));
}

void TestLineLog::unwritableLogFailsNoExchange()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("line.log")));
    MemoryLine line;
    session::SessionEnvironment env;
    env.programDir = dir.path();
    env.lines = &line;
    session::PanelSession s(env);
    s.sendNight();
    QVERIFY(waitIdle(s));
    QCOMPARE(line.exchanges.size(), 1);
    QCOMPARE(s.lineLog().exchanges().size(), std::size_t{1});
    QVERIFY(s.lineLog().exchanges().front().ok());
    QVERIFY(!s.lineLog().lastWriteError().isEmpty());
}

void TestLineLog::nonRegularLogIsLeftAlone_data()
{
    QTest::addColumn<Node>("node");
    QTest::newRow("FIFO without a reader") << Node::Fifo;
    QTest::newRow("character device") << Node::CharacterDevice;
    QTest::newRow("link to a regular file") << Node::LinkToFile;
}

void TestLineLog::nonRegularLogIsLeftAlone()
{
    QFETCH(Node, node);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.log"));
    const QString linked = dir.filePath(QStringLiteral("elsewhere"));
    const QByteArray name = QFile::encodeName(path);
    switch (node) {
    case Node::Fifo:
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        break;
    case Node::CharacterDevice:
        if (::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
            QSKIP("no device node can be made here (not root)");
        }
        break;
    case Node::LinkToFile:
        QVERIFY(put(linked, "kept\n"));
        QVERIFY(QFile::link(linked, path));
        break;
    }
    const NodeId before = nodeAt(path);

    session::LineLog log(path);
    CapturedStderr captured;
    QVERIFY2(appendTwiceBounded(log, path), "the log blocked the exchange");
    const QByteArray said = captured.text();

    QCOMPARE(log.exchanges().size(), std::size_t{2});
    QVERIFY(!log.lastWriteError().isEmpty());
    QCOMPARE(said.count('\n'), 1);
    QVERIFY2(said.contains(name), said.constData());
    QCOMPARE(nodeAt(path), before);
    QCOMPARE(contentOf(linked), node == Node::LinkToFile ? QByteArray("kept\n") : "<missing>");
    QVERIFY(!QFile::exists(path + QStringLiteral(".1")));
}

// The panel and a scheduled tool share the log: the one that finds the rotation lock taken
// writes on and leaves the older file alone.
void TestLineLog::rotationSkippedWhileAnotherHoldsTheLock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.log"));
    const QByteArray old(session::kLineLogLimit - 20, 'x');
    QVERIFY(put(path, old));
    QVERIFY(put(path + QStringLiteral(".1"), "older\n"));
    const auto r = result(ExchangeKind::SendDay, ExchangeStatus::Done, QByteArray(42, '\0'), {});
    const QByteArray line = session::logLine(r).toUtf8() + '\n';
    session::LineLog log(path);

    QLockFile other(path + QStringLiteral(".lock"));
    QVERIFY(other.tryLock(0));
    log.append(r);
    QCOMPARE(contentOf(path + QStringLiteral(".1")), QByteArray("older\n"));
    QCOMPARE(contentOf(path), old + line);

    other.unlock();
    log.append(r);
    QCOMPARE(contentOf(path + QStringLiteral(".1")), old + line);
    QCOMPARE(contentOf(path), line);
    QVERIFY(!QFile::exists(path + QStringLiteral(".lock")));
}

void TestLineLog::byteMeanings()
{
    model::ParameterSet set;
    set.assign(model::Member::gate, 8);
    auto send = result(ExchangeKind::SendDay, ExchangeStatus::Done,
                       lnk::encodeFrame(lnk::Layout::Day, set), {});
    QCOMPARE(lnk::sentByteMeaning(send, 0), QStringLiteral("frame header (126)"));
    QCOMPARE(lnk::sentByteMeaning(send, 1), QStringLiteral("gate = 8"));
    QCOMPARE(lnk::sentByteMeaning(send, 26), QStringLiteral("constant 0"));
    auto cmd = result(ExchangeKind::Command, ExchangeStatus::Done, QByteArray(1, '\x97'), {});
    QCOMPARE(lnk::sentByteMeaning(cmd, 0), QStringLiteral("command Setday (151)"));
    QByteArray reply(45, '\0');
    reply[13] = 90;
    auto up = result(ExchangeKind::UploadDay, ExchangeStatus::Done, QByteArray(1, '\xe2'), reply);
    up.layout = lnk::Layout::Day;
    QCOMPARE(lnk::sentByteMeaning(up, 0), QStringLiteral("upload request (226)"));
    QCOMPARE(lnk::receivedByteMeaning(up, 13), QStringLiteral("reply offset 13: density = 90"));
    QCOMPARE(lnk::receivedByteMeaning(up, 25), QStringLiteral("reply offset 25: not used (0)"));
    QCOMPARE(lnk::receivedByteMeaning(up, 43), QStringLiteral("after the reply: 0, dropped"));
}

QTEST_GUILESS_MAIN(TestLineLog)
#include "test_linelog.moc"
