// What the simulated processor answers: reply layouts, injected faults, options.
#include "sim/CommandLine.h"
#include "sim/Processor.h"
#include "sim/Settings.h"

#include "SimBytes.h"

#include <QTest>

using sim::Clock;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(sim::Settings)

namespace {

const Clock::time_point t0{};

} // namespace

class TestSimReplies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replyLayouts_data();
    void replyLayouts();
    void requestInsideFrameIsData();
    void faultsShapeTheAnswer_data();
    void faultsShapeTheAnswer();
    void commandLine_data();
    void commandLine();
    void helpNamesEveryOption();
};

void TestSimReplies::replyLayouts_data()
{
    QTest::addColumn<QByteArrayList>("sent"); // chunks a second apart
    QTest::addColumn<int>("fixedLayout");     // -1 follows the active preset, 0 day, 1 night
    QTest::addColumn<QByteArray>("reply");

    // Day reply: the frame's bytes one position earlier up to Daynight (26), then three
    // ignored positions, and chkTurbo..LUFSOffset at the same offsets as in the frame (29..34).
    QTest::newRow("day reply: shift of chkTurbo..LUFSOffset")
        << QByteArrayList{distinctDayFrame()} << -1
        << bytes({1,  2,  3,   4, 5, 6,   7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                  22, 23, 255, 0, 0, 255, 0, 0, 1, 30, 31, 32, 33, 34, 0,  0,  0,  0,  0,  0,  0});

    QTest::newRow("day reply of a fresh processor")
        << QByteArrayList{} << -1
        << bytes({1, 255, 255, 255, 1, 1, 1, 1, 1, 255, 255, 255, 255, 1,   1, 1, 1, 1, 1, 1, 255,
                  1, 0,   0,   0,   0, 0, 0, 0, 0, 0,   0,   0,   0,   170, 0, 0, 0, 0, 0, 0, 0});

    // Flags go out as 255 whatever non-zero byte set them; the check box as 1.
    QTest::newRow("day reply: flags as 255/0, check box as 1")
        << QByteArrayList{bytes({126, 0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 128,
                                 0,   255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}
        << -1
        << bytes({0, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0, 0,   0, 0, 0,
                  0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 255, 0, 0, 1}) +
               zeros(12);

    QTest::newRow("night reply while the night preset is active")
        << QByteArrayList{distinctNightFrame(), bytes({163})} << -1
        << bytes({11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,  22, 23,
                  24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 255, 0});

    QTest::newRow("night reply: flags as 255/0")
        << QByteArrayList{bytes({126}) + zeros(23) + bytes({7, 1, 0}) + zeros(6), bytes({163})}
        << -1 << zeros(23) + bytes({255, 255});

    QTest::newRow("day reply again after Setday")
        << QByteArrayList{distinctNightFrame(), bytes({163}), distinctDayFrame(), bytes({145, 151})}
        << -1
        << bytes({1,  2,  3,   4, 5, 6,   7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                  22, 23, 255, 0, 0, 255, 0, 0, 1, 30, 31, 32, 33, 34, 0,  0,  0,  0,  0,  0,  0});

    QTest::newRow("fixed night layout while day is active")
        << QByteArrayList{distinctDayFrame(), distinctNightFrame()} << 1
        << bytes({11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,  22, 23,
                  24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 255, 0});

    QTest::newRow("fixed day layout while night is active")
        << QByteArrayList{bytes({163}), distinctDayFrame()} << 0
        << bytes({1,  2,  3,   4, 5, 6,   7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                  22, 23, 255, 0, 0, 255, 0, 0, 1, 30, 31, 32, 33, 34, 0,  0,  0,  0,  0,  0,  0});
}

void TestSimReplies::replyLayouts()
{
    QFETCH(QByteArrayList, sent);
    QFETCH(int, fixedLayout);
    QFETCH(QByteArray, reply);

    sim::Processor p;
    if (fixedLayout >= 0) {
        p.setReplyLayout(fixedLayout == 0 ? lnk::Layout::Day : lnk::Layout::Night);
    }
    // A night frame ends at a pause: each chunk comes a second after the one before.
    Clock::time_point at = t0;
    for (const QByteArray& chunk : sent) {
        p.feed(chunk, at);
        at += 1s;
    }
    const auto events = p.feed(bytes({226}), at);
    QVERIFY(!events.empty());
    const sim::Event& request = events.back();
    QVERIFY(request.request);
    QCOMPARE(*request.request, reply.size() == 42 ? lnk::Layout::Day : lnk::Layout::Night);
    QCOMPARE(request.reply.toHex(' '), reply.toHex(' '));
}

void TestSimReplies::requestInsideFrameIsData()
{
    sim::Processor p;
    QByteArray frame = bytes({126, 226}) + zeros(40);
    for (const sim::Event& e : p.feed(frame, t0)) {
        QVERIFY(!e.request);
    }
    QCOMPARE(sim::valueOf(p.state().current, model::Member::gate), 226);
}

void TestSimReplies::faultsShapeTheAnswer_data()
{
    QTest::addColumn<sim::Settings>("settings");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("description");

    auto with = [](auto change) {
        sim::Settings s;
        change(s);
        return s;
    };
    QTest::newRow("no fault") << sim::Settings{} << bytes({1, 2, 3, 4, 5}) << "day reply (5 bytes)";
    QTest::newRow("cut") << with([](sim::Settings& s) { s.replyLength = 3; }) << bytes({1, 2, 3})
                         << "day reply cut to 3 bytes (should be 5)";
    QTest::newRow("padded") << with([](sim::Settings& s) { s.replyLength = 7; })
                            << bytes({1, 2, 3, 4, 5, 0, 0})
                            << "day reply padded to 7 bytes (should be 5)";
    QTest::newRow("empty") << with([](sim::Settings& s) { s.replyLength = 0; }) << QByteArray()
                           << "day reply cut to 0 bytes (should be 5)";
    QTest::newRow("garbage before")
        << with([](sim::Settings& s) { s.garbageBytes = 2; }) << bytes({0xA5, 0xA5, 1, 2, 3, 4, 5})
        << "day reply (5 bytes) after 2 garbage bytes";
    QTest::newRow("extra after") << with([](sim::Settings& s) { s.extraBytes = 3; })
                                 << bytes({1, 2, 3, 4, 5, 0x5A, 0x5A, 0x5A})
                                 << "day reply (5 bytes) followed by 3 extra bytes";
    QTest::newRow("all three") << with([](sim::Settings& s) {
        s.garbageBytes = 1;
        s.replyLength = 4;
        s.extraBytes = 1;
    }) << bytes({0xA5, 1, 2, 3, 4, 0x5A})
                               << "day reply cut to 4 bytes (should be 5) after 1 garbage bytes "
                                  "followed by 1 extra bytes";
}

void TestSimReplies::faultsShapeTheAnswer()
{
    QFETCH(sim::Settings, settings);
    QFETCH(QByteArray, line);
    QFETCH(QString, description);
    const sim::Answer a = sim::composeAnswer(lnk::Layout::Day, bytes({1, 2, 3, 4, 5}), settings);
    QCOMPARE(a.bytes.toHex(' '), line.toHex(' '));
    QCOMPARE(a.description, description);
}

void TestSimReplies::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error"); // empty: accepted
    QTest::addColumn<sim::Settings>("settings");

    auto with = [](auto change) {
        sim::Settings s;
        change(s);
        return s;
    };
    QTest::newRow("defaults") << QStringList{} << QString() << sim::Settings{};
    QTest::newRow("every option") << QStringList{"--reply",    "night",
                                                 "--reaction", "900",
                                                 "--no-reply", "--reply-length",
                                                 "30",         "--extra-bytes",
                                                 "2",          "--garbage",
                                                 "4",          "--drop-after",
                                                 "0",          "--ignore-frames"}
                                  << QString() << with([](sim::Settings& s) {
                                         s.replyLayout = lnk::Layout::Night;
                                         s.reaction = 900ms;
                                         s.noReply = true;
                                         s.replyLength = 30;
                                         s.extraBytes = 2;
                                         s.garbageBytes = 4;
                                         s.dropAfter = 0;
                                         s.ignoreFrames = true;
                                     });
    QTest::newRow("unknown layout")
        << QStringList{"--reply", "dusk"} << "--reply takes day or night, not \"dusk\""
        << sim::Settings{};
    QTest::newRow("negative reaction")
        << QStringList{"--reaction", "-5"}
        << "--reaction needs a whole number of 0 or more, not \"-5\"" << sim::Settings{};
    QTest::newRow("word for a count")
        << QStringList{"--garbage", "many"}
        << "--garbage needs a whole number of 0 or more, not \"many\"" << sim::Settings{};
    QTest::newRow("every count at its maximum")
        << QStringList{"--reaction", "10000",     "--reply-length", "4096",         "--extra-bytes",
                       "4096",       "--garbage", "4096",           "--drop-after", "4096"}
        << QString() << with([](sim::Settings& s) {
               s.reaction = 10000ms;
               s.replyLength = 4096;
               s.extraBytes = 4096;
               s.garbageBytes = 4096;
               s.dropAfter = 4096;
           });
    QTest::newRow("reply length of a gigabyte")
        << QStringList{"--reply-length", "1000000000"}
        << "--reply-length takes at most 4096 bytes, not 1000000000" << sim::Settings{};
    QTest::newRow("extra bytes one beyond")
        << QStringList{"--extra-bytes", "4097"}
        << "--extra-bytes takes at most 4096 bytes, not 4097" << sim::Settings{};
    QTest::newRow("garbage beyond an int")
        << QStringList{"--garbage", "99999999999"}
        << "--garbage takes at most 4096 bytes, not 99999999999" << sim::Settings{};
    QTest::newRow("drop after one beyond")
        << QStringList{"--drop-after", "4097"} << "--drop-after takes at most 4096 bytes, not 4097"
        << sim::Settings{};
    QTest::newRow("reaction of a day")
        << QStringList{"--reaction", "86400000"}
        << "--reaction takes at most 10000 ms, not 86400000" << sim::Settings{};
    QTest::newRow("unknown option")
        << QStringList{"--turbo"} << "Unknown option 'turbo'." << sim::Settings{};
    QTest::newRow("stray argument")
        << QStringList{"COM1"} << "unexpected argument \"COM1\"" << sim::Settings{};
}

void TestSimReplies::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(sim::Settings, settings);
    const sim::CommandLine c = sim::parseCommandLine(QStringList{"orvexdab-sim"} + args);
    QCOMPARE(c.error, error);
    if (error.isEmpty()) {
        QVERIFY(c.options.settings == settings);
    }
}

void TestSimReplies::helpNamesEveryOption()
{
    const QString help = sim::helpText();
    for (const char* option :
         {"--link PATH", "--log FILE", "--reply day|night", "--reaction MS", "--no-reply",
          "--ignore-frames", "--reply-length N", "--extra-bytes N", "--garbage N", "--drop-after N",
          "    100 Testtone   test tone on", "    183 Recall4    user preset 4 recalled"}) {
        QVERIFY2(help.contains(QLatin1String(option)), option);
    }
    QVERIFY(!help.contains("%1"));
    QVERIFY(help.contains("at most 10000)"));
    QVERIFY(help.contains("each N at most 4096)"));
}

QTEST_GUILESS_MAIN(TestSimReplies)
#include "test_sim_replies.moc"
