// orvexdab-cli refusing what it cannot do before a byte is sent, and its lists and help.
#include "CliRig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace clirig;

class TestCliUsage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedBeforeAnythingIsSent_data();
    void refusedBeforeAnythingIsSent();
    void outputCheckedBeforeAnythingIsSent_data();
    void outputCheckedBeforeAnythingIsSent();
    void usageErrorsForScripts_data();
    void usageErrorsForScripts();
    void resultLinesShowNoControlCharacter();
    void portsListsWhatEachNumberReaches();
    void portsWarnsOfAnUnusableMap();
    void help();
    void helpOfEachVerb_data();
    void helpOfEachVerb();
    void manPageSaysWhatTheUsageSays_data();
    void manPageSaysWhatTheUsageSays();
};

namespace {

bool isFifo(const QString& path)
{
    struct stat st
    {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

bool hasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char('\n') && (c.unicode() < 0x20 || c.unicode() == 0x7f)) {
            return true;
        }
    }
    return false;
}

} // namespace

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
    row("--parallel of no site", {"--parallel", "0", "command", "testtone"},
        "--parallel 0 is not a number from 1 to 4096");
    row("--parallel on a verb that talks to one site", {"--parallel", "4", "history", "north"},
        "--parallel belongs to backup, drift and the commands that talk to ports");
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
    row("file after --", {"send", "--", "-none.DAB"}, "-none.DAB: File not found");
    row("malformed base", {"upload", "--base", "bad.DAB", "--output", "x.DAB"},
        "bad.DAB: Type mismatch");
    row("missing ports file", {"--ports-file", "none.txt", "command", "testtone"},
        "none.txt: File not found");
    row("ports file with a bad line", {"--ports-file", "bad.txt", "command", "testtone"},
        "bad.txt: \"foo\" is neither");
    row("ports file without ports", {"--ports-file", "empty.txt", "command", "testtone"},
        "empty.txt: no port in the file");
    row("data folder that is a file", {"--data-dir", "good.DAB", "command", "testtone"},
        "good.DAB: not a folder");
    row("extra operand", {"upload", "--output", "x.DAB", "more"}, "upload takes no operand");
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

void TestCliUsage::outputCheckedBeforeAnythingIsSent_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("rootWrites"); // root writes anywhere: the row cannot fail for it
    const auto row = [](const char* name, const QStringList& output, const char* says,
                        bool rootWrites = false) {
        QTest::newRow(name) << QStringList{"--port", "1", "upload", "--output"} + output
                            << QString::fromUtf8(says) << rootWrites;
    };
    row("missing folder", {"no/such/folder.DAB"}, "no/such/folder.DAB: Path not found");
    row("a folder", {"folder.DAB"}, "folder.DAB: Path/File access error");
    row("a FIFO", {"fifo.DAB"}, "fifo.DAB: Path/File access error");
    row("a link to a FIFO", {"fifolink.DAB"}, "fifolink.DAB: Path/File access error");
    row("a dangling link", {"dangling.DAB"}, "dangling.DAB: Path/File access error");
    row("unwritable folder", {"locked/x.DAB"}, "locked/x.DAB: Permission denied", true);
    QTest::newRow("one of several ports' folders missing")
        << QStringList{"--port", "1", "--port", "2", "upload", "--output", "out/{port}/x.DAB"}
        << "out/COM2/x.DAB: Path not found" << false;
    QTest::newRow("without a port, the panel's port names the path")
        << QStringList{"upload", "--output", "none/{port}/x.DAB"}
        << "none/COM1/x.DAB: Path not found" << false;
}

void TestCliUsage::outputCheckedBeforeAnythingIsSent()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QFETCH(bool, rootWrites);
    if (rootWrites && ::geteuid() == 0) {
        QSKIP("root writes into any folder");
    }
    Rig rig;
    sim::Simulator& s1 = rig.addSimulator(1);
    sim::Simulator& s2 = rig.addSimulator(2);
    const QDir dir(rig.dir.path());
    QVERIFY(dir.mkpath(QStringLiteral("folder.DAB")) && dir.mkpath(QStringLiteral("out/COM1")));
    QVERIFY(dir.mkpath(QStringLiteral("locked")));
    QVERIFY(QFile::setPermissions(rig.path(QStringLiteral("locked")),
                                  QFile::ReadOwner | QFile::ExeOwner));
    QCOMPARE(::mkfifo(QFile::encodeName(rig.path(QStringLiteral("fifo.DAB"))).constData(), 0600),
             0);
    // Never a link to a system device: run against a writer that renames over its target, such
    // a test would replace that device with a regular file.
    QVERIFY(QFile::link(rig.path(QStringLiteral("fifo.DAB")),
                        rig.path(QStringLiteral("fifolink.DAB"))));
    QVERIFY(
        QFile::link(rig.path(QStringLiteral("gone")), rig.path(QStringLiteral("dangling.DAB"))));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const int from1 = s1.log().count();
    const int from2 = s2.log().count();
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err == QStringLiteral("orvexdab-cli: %1\n").arg(says), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QTest::qWait(150); // anything sent would have reached the simulators by now
    QCOMPARE(s1.log().count(), from1);
    QCOMPARE(s2.log().count(), from2);
    QVERIFY(isFifo(rig.path(QStringLiteral("fifo.DAB"))));
    QCOMPARE(QFileInfo(rig.path(QStringLiteral("fifolink.DAB"))).symLinkTarget(),
             rig.path(QStringLiteral("fifo.DAB")));
    QVERIFY(QFileInfo(rig.path(QStringLiteral("folder.DAB"))).isDir());
}

void TestCliUsage::usageErrorsForScripts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("says");
    const char* quoted = "ctl.txt: \"fo\\x1B]0;owned\\x07o\" is neither";
    QTest::newRow("unknown command, as JSON")
        << QStringList{"--json", "frob"} << true << "unknown command frob";
    QTest::newRow("--json after the verb, output refused")
        << QStringList{"--port", "1", "upload", "--output", "no/x.DAB", "--json"} << true
        << "no/x.DAB: Path not found";
    QTest::newRow("malformed file, as JSON")
        << QStringList{"send", "bad.DAB", "--json"} << true << "bad.DAB: Type mismatch (line 2)";
    QTest::newRow("control characters from a ports file")
        << QStringList{"--ports-file", "ctl.txt", "command", "testtone"} << false << quoted;
    QTest::newRow("control characters from a ports file, as JSON")
        << QStringList{"--ports-file", "ctl.txt", "--json", "command", "testtone"} << true
        << quoted;
}

void TestCliUsage::usageErrorsForScripts()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, json);
    QFETCH(QString, says);
    Rig rig;
    QVERIFY(rig.write(QStringLiteral("bad.DAB"), " 1 \r\n x \r\n"));
    // A terminal's title escape between the letters of a port.
    QVERIFY(rig.write(QStringLiteral("ctl.txt"), "1\nfo\x1b]0;owned\x07o\n"));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QVERIFY(!hasControlCharacter(r.err) && !hasControlCharacter(r.out));
    if (!json) {
        QCOMPARE(r.out, QString());
        return;
    }
    QCOMPARE(r.lines().size(), 1);
    QVERIFY2(r.out.startsWith(QStringLiteral("{\"ok\":false,\"error\":")), qPrintable(r.out));
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(o.size(), 2);
    QCOMPARE(o[QStringLiteral("ok")], QJsonValue(false));
    QVERIFY2(o[QStringLiteral("error")].toString().contains(says), qPrintable(r.out));
}

void TestCliUsage::resultLinesShowNoControlCharacter()
{
    Rig rig;
    // A device path that parses, with a screen-clearing escape in it.
    QVERIFY(rig.write(QStringLiteral("ctl.txt"), "/dev/orvex-none\x1b[2J\n"));
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const Run r = rig.run({"--ports-file", "ctl.txt", "command", "testtone"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.out.startsWith(QStringLiteral("/dev/orvex-none\\x1B[2J: testtone: failed: ")),
             qPrintable(r.out));
    QVERIFY(!hasControlCharacter(r.out));
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

void TestCliUsage::manPageSaysWhatTheUsageSays_data()
{
    QTest::addColumn<QString>("usage");
    QTest::addColumn<QString>("troff");
    QTest::newRow("the program, --parallel included")
        << "orvexdab-cli [--port PORT]... [--ports-file FILE] [--parallel N] [--json]\n"
           "                    [--data-dir DIR] [--store URL] COMMAND"
        << "\\fBorvexdab\\-cli\\fR [\\fB\\-\\-port\\fR \\fIPORT\\fR]...\\& "
           "[\\fB\\-\\-ports\\-file\\fR \\fIFILE\\fR] [\\fB\\-\\-parallel\\fR \\fIN\\fR] "
           "[\\fB\\-\\-json\\fR] [\\fB\\-\\-data\\-dir\\fR \\fIDIR\\fR] "
           "[\\fB\\-\\-store\\fR \\fIURL\\fR]\n";
    QTest::newRow("site set, --here included")
        << "  site set NAME [--port PORT] [--group GROUP] [--name NEWNAME] [--here]\n"
        << "\\fBsite\\fR \\fBset\\fR \\fINAME\\fR [\\fB\\-\\-port\\fR \\fIPORT\\fR] "
           "[\\fB\\-\\-group\\fR \\fIGROUP\\fR] [\\fB\\-\\-name\\fR \\fINEWNAME\\fR] "
           "[\\fB\\-\\-here\\fR]\n";
    QTest::newRow("drift, a choice of three")
        << "  drift [NAME... | --group GROUP | --all] [--live]\n"
        << "\\fBdrift\\fR [\\fINAME\\fR...\\& | \\fB\\-\\-group\\fR \\fIGROUP\\fR | "
           "\\fB\\-\\-all\\fR] [\\fB\\-\\-live\\fR]\n";
    QTest::newRow("approve --sound, a choice in brackets")
        << "  approve (NAME... | --group GROUP | --all) --sound SOURCE [--night]\n"
        << "\\fBapprove\\fR (\\fINAME\\fR...\\& | \\fB\\-\\-group\\fR \\fIGROUP\\fR | "
           "\\fB\\-\\-all\\fR) \\fB\\-\\-sound\\fR \\fISOURCE\\fR "
           "[\\fB\\-\\-night\\fR]\n";
}

// The synopses are stated once: the tool's usage and its man page say the same.
void TestCliUsage::manPageSaysWhatTheUsageSays()
{
    QFETCH(QString, usage);
    QFETCH(QString, troff);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    QVERIFY2(rig.run({QStringLiteral("--help")}).out.contains(usage), qPrintable(usage));
    QProcess gunzip;
    gunzip.start(QStringLiteral("gzip"),
                 {QStringLiteral("-dc"), qEnvironmentVariable("ORVEX_BIN_DIR") +
                                             QStringLiteral("/../packaging/orvexdab-cli.1.gz")});
    QVERIFY(gunzip.waitForFinished(10000));
    const QString page = QString::fromUtf8(gunzip.readAllStandardOutput());
    QVERIFY2(page.contains(QStringLiteral(".SH SYNOPSIS\n")), "no man page built");
    QVERIFY2(page.contains(troff), qPrintable(troff));
    QVERIFY(!page.contains(
        QRegularExpression(QStringLiteral("^@[a-z ]+@$"), QRegularExpression::MultilineOption)));
}

void TestCliUsage::helpOfEachVerb_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::addColumn<QString>("mentions");
    const QString global = QStringLiteral(
        "Usage: orvexdab-cli [--port PORT]... [--ports-file FILE] [--parallel N] [--json] "
        "[--data-dir DIR] [--store URL] ");
    QTest::newRow("send") << QStringList{"send", "--help"} << global + "send"
                          << "FILE";
    QTest::newRow("compare, -h after a global option")
        << QStringList{"compare", "--port", "1", "-h"} << global + "compare"
        << "FILE";
    QTest::newRow("command") << QStringList{"command", "--help"} << global + "command"
                             << "recall1";
    QTest::newRow("a verb of the site group names the group")
        << QStringList{"site", "add", "--help"} << global + "site add"
        << "--group GROUP";
    QTest::newRow("backup") << QStringList{"backup", "-h"} << global + "backup"
                            << "--on-change COMMAND";
    QTest::newRow("check") << QStringList{"check", "--help"} << global + "check"
                           << "--critical HOURS";
    QTest::newRow("deploy") << QStringList{"deploy", "--help"} << global + "deploy"
                            << "--accept-other-block";
    QTest::newRow("whole program")
        << QStringList{"--help"} << "Usage: orvexdab-cli [--port PORT]..."
        << "--data-dir DIR";
}

void TestCliUsage::helpOfEachVerb()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    QFETCH(QString, mentions);
    Rig rig;
    QVERIFY2(rig.ready, qPrintable(rig.error));
    const Run r = rig.run(arguments);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.startsWith(usage), qPrintable(r.out));
    QVERIFY2(r.out.contains(mentions), qPrintable(r.out));
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
