// orvexdab-cli refusing what it cannot do before a byte is sent, and its lists and help.
#include "CliRig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>

using namespace clirig;

class TestCliUsage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedBeforeAnythingIsSent_data();
    void refusedBeforeAnythingIsSent();
    void portsListsWhatEachNumberReaches();
    void portsWarnsOfAnUnusableMap();
    void help();
};

void TestCliUsage::refusedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    const auto row = [](const char* name, const QStringList& args, const char* says) {
        QTest::newRow(name) << args << QString::fromUtf8(says);
    };
    row("no command", {}, "no command given");
    row("unknown command", {"frob"}, "unknown command frob");
    row("unknown option", {"--verbose", "ports"}, "unknown option --verbose");
    row("option value missing", {"command", "testtone", "--port"}, "--port needs a value");
    row("value on a switch", {"--json=yes", "ports"}, "--json takes no value");
    row("send without a file", {"send"}, "send needs one FILE");
    row("unknown command name", {"command", "beep"}, "unknown command name beep; one of: ");
    row("upload without --output", {"upload"}, "upload needs --output PATH");
    row("--day with --night", {"upload", "--day", "--night", "--output", "x.DAB"},
        "--day and --night exclude each other");
    row("--output on send", {"send", "good.DAB", "--output", "x.DAB"}, "belong to upload");
    row("ports with a port", {"--port", "1", "ports"}, "do not apply");
    row("several ports, no {port}", {"--port", "1", "--port", "2", "upload", "--output", "x.DAB"},
        "with several ports --output must contain {port}");
    row("two ports, one file name",
        {"--port", "/dev/a/ttyX", "--port", "/dev/b/ttyX", "upload", "--output", "{port}.DAB"},
        "two ports would write ttyX.DAB");
    row("port number above 255", {"--port", "256", "command", "testtone"},
        "port number 256 is not 0 to 255");
    row("port that does not parse, after a good one",
        {"--port", "1", "--port", "ttyUSB0", "command", "testtone"},
        "\"ttyUSB0\" is neither a device path nor a tcp:// or rfc2217:// address");
    row("network port out of range", {"--port", "rfc2217://127.0.0.1:70000", "command", "setday"},
        "70000");
    row("same port twice", {"--port", "1", "--port", "01", "command", "testtone"},
        "port COM1 given twice");
    row("malformed file", {"--port", "1", "send", "bad.DAB"}, "bad.DAB: Type mismatch (line 2)");
    row("file cut short", {"send-night", "short.DAB"},
        "short.DAB: Input past end of file (line 6)");
    row("missing file", {"compare", "none.DAB"}, "none.DAB: File not found");
    row("malformed base", {"upload", "--base", "bad.DAB", "--output", "x.DAB"},
        "bad.DAB: Type mismatch");
    row("missing ports file", {"--ports-file", "none.txt", "command", "testtone"},
        "none.txt: File not found");
    row("ports file with a bad line", {"--ports-file", "bad.txt", "command", "testtone"},
        "bad.txt: \"foo\" is neither");
    row("ports file without ports", {"--ports-file", "empty.txt", "command", "testtone"},
        "empty.txt: no port in the file");
}

void TestCliUsage::refusedBeforeAnythingIsSent()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    rig.addSimulator(2);
    QVERIFY(rig.write(QStringLiteral("good.DAB"), dabFile({})));
    QVERIFY(rig.write(QStringLiteral("bad.DAB"), " 1 \r\n x \r\n"));
    QVERIFY(rig.write(QStringLiteral("short.DAB"), " 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n"));
    QVERIFY(rig.write(QStringLiteral("bad.txt"), "1\nfoo\n"));
    QVERIFY(rig.write(QStringLiteral("empty.txt"), "# no site yet\n\n"));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from = s.log().count();
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith(QStringLiteral("orvexdab-cli: ")) && r.err.contains(says),
             qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QTest::qWait(150); // anything sent would have reached the simulator by now
    QCOMPARE(s.log().count(), from);
    QVERIFY(!QFile::exists(rig.path(QStringLiteral("x.DAB"))));
}

void TestCliUsage::portsListsWhatEachNumberReaches()
{
    Rig rig;
    sim::Simulator& s = rig.addSimulator(1);
    QVERIFY(rig.write(QStringLiteral("ports.ini"),
                      "[ports]\nCOM7=rfc2217://192.0.2.10:4001\nCOM8=telnet://192.0.2.10:23\n"));
    // A map entry takes its number from a link.
    QVERIFY(QFile::link(s.devicePath(), rig.path(QStringLiteral("ports/COM7"))));
    QVERIFY(QFile::link(rig.path(QStringLiteral("gone")), rig.path(QStringLiteral("ports/COM9"))));
    QVERIFY2(rig.ready, qPrintable(rig.error));

    const Run text = rig.run({QStringLiteral("ports")});
    QCOMPARE(text.exitCode, 0);
    const QStringList lines = text.lines();
    const auto matches = [&lines](const QString& pattern) {
        return !lines.filter(QRegularExpression(QLatin1Char('^') + pattern + QLatin1Char('$')))
                    .isEmpty();
    };
    QVERIFY2(matches(QStringLiteral("COM1 +link +%1 +ports/COM1").arg(s.devicePath())),
             qPrintable(text.out));
    QVERIFY(matches(QStringLiteral("COM7 +map +rfc2217://192\\.0\\.2\\.10:4001")));
    QVERIFY(matches(QStringLiteral("COM8 +map +telnet://192\\.0\\.2\\.10:23 +unusable: .*")));
    QVERIFY(matches(QStringLiteral("COM9 +link +.*/gone +ports/COM9, missing: .*")));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^COM7 "))).size(), 1);

    const Run json = rig.run({QStringLiteral("ports"), QStringLiteral("--json")});
    QCOMPARE(json.exitCode, 0);
    const QJsonObject first = QJsonDocument::fromJson(json.lines().value(0).toUtf8()).object();
    QCOMPARE(first[QStringLiteral("number")].toInt(), 1);
    QCOMPARE(first[QStringLiteral("kind")].toString(), QStringLiteral("link"));
    QCOMPARE(first[QStringLiteral("reaches")].toString(), s.devicePath());
}

void TestCliUsage::help()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const Run r = rig.run({QStringLiteral("upload"), QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(QStringLiteral("Usage: orvexdab-cli [--port PORT]...")));
    QVERIFY(r.err.isEmpty());
}

void TestCliUsage::portsWarnsOfAnUnusableMap()
{
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const QString map = rig.path(QStringLiteral("ports.ini"));
    QCOMPARE(::mkfifo(QFile::encodeName(map).constData(), 0600), 0);

    const Run text = rig.run({QStringLiteral("ports")});
    QCOMPARE(text.exitCode, 1);
    QCOMPARE(text.lines().value(0), QStringLiteral("ports.ini: unusable (not a regular file)"));

    const Run json = rig.run({QStringLiteral("--json"), QStringLiteral("ports")});
    QCOMPARE(json.exitCode, 1);
    const QJsonObject first = QJsonDocument::fromJson(json.lines().value(0).toUtf8()).object();
    QCOMPARE(first, QJsonObject({{QStringLiteral("file"), map},
                                 {QStringLiteral("error"), QStringLiteral("not a regular file")}}));
}

QTEST_MAIN(TestCliUsage)
#include "test_cli_usage.moc"
