// line.log: one line per exchange in a fixed format, rotated at 1 MiB, never in the way of an
// exchange; and what the monitor says each byte meant.
#include "link/ByteMeaning.h"
#include "session/PanelSession.h"
#include "support/FileBytes.h"
#include "support/MemoryLine.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

} // namespace

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
