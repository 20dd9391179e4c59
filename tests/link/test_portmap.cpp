// The port map read from memory and written through the atomic writer: the INI text the
// settings classes write, and a ports.ini that is there but unusable stopping every number.
#include "link/PortLines.h"
#include "link/PortMap.h"
#include "link/PortNames.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Opened
{
    lnk::LineFault fault = lnk::LineFault::None;
    QString detail;
    bool opened = false;
};

Opened openPort(const QString& dataDir, int portNo)
{
    lnk::PortLines lines(dataDir);
    lnk::Line& line = lines.lineFor({portNo, {}});
    QSignalSpy opened(&line, &lnk::Line::opened);
    QSignalSpy failed(&line, &lnk::Line::openFailed);
    line.open(lnk::kSendSettings);
    if (!QTest::qWaitFor([&] { return !opened.isEmpty() || !failed.isEmpty(); }, 3000)) {
        qWarning("the open did not end");
    }
    Opened o;
    o.opened = !opened.isEmpty();
    if (!failed.isEmpty()) {
        o.fault = failed.first().at(0).value<lnk::LineFault>();
        o.detail = failed.first().at(1).toString();
    }
    line.abort();
    return o;
}

} // namespace

class TestPortMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatIsWritten_data();
    void readsWhatIsWritten();
    void unusableFileStopsEveryNumber_data();
    void unusableFileStopsEveryNumber();
    void savedEntryReadsBackWithTheSettingsClass_data();
    void savedEntryReadsBackWithTheSettingsClass();
    void savingKeepsTheRestOfTheFile();
};

void TestPortMap::readsWhatIsWritten_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("com3");

    QTest::newRow("plain") << QByteArray("[ports]\nCOM3=/dev/ttyUSB0\n") << "/dev/ttyUSB0";
    QTest::newRow("Windows line ends")
        << QByteArray("[ports]\r\nCOM3=rfc2217://192.0.2.10:4001\r\n")
        << "rfc2217://192.0.2.10:4001";
    QTest::newRow("quoted, with a semicolon inside")
        << QByteArray("[ports]\nCOM3=\"/dev/tty;x\"\n") << "/dev/tty;x";
    QTest::newRow("escaped quote and backslash")
        << QByteArray("[ports]\nCOM3=\"/dev/a\\\"b\\\\c\"\n") << "/dev/a\"b\\c";
    QTest::newRow("comment lines and a comment after the value")
        << QByteArray("; the map\n# too\n[ports]\n; COM3=/dev/old\nCOM3=/dev/new ; moved\n")
        << "/dev/new";
    QTest::newRow("percent-escaped key")
        << QByteArray("[ports]\n%43OM3=/dev/ttyS9\n") << "/dev/ttyS9";
    QTest::newRow("other sections and keys ignored")
        << QByteArray("[General]\nCOM3=/dev/no\n[other]\nCOM3=/dev/no\n[ports]\nCOM3=/dev/yes\n")
        << "/dev/yes";
    QTest::newRow("the later of two entries")
        << QByteArray("[ports]\nCOM3=/dev/first\nCOM3=/dev/second\n") << "/dev/second";
    QTest::newRow("a doubled @") << QByteArray("[ports]\nCOM3=@@x\n") << "@x";
}

void TestPortMap::readsWhatIsWritten()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, com3);
    QTemporaryDir dir;
    writeFile(lnk::portMapPath(dir.path()), file);
    const lnk::PortMap map = lnk::loadPortMap(dir.path());
    QVERIFY2(map.usable(), qPrintable(map.error));
    QCOMPARE(map.addressOf(3), std::optional<QString>(com3));
}

void TestPortMap::unusableFileStopsEveryNumber_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");

    QTest::newRow("over 64 KiB") << "large"
                                 << "larger than 64 KiB";
    QTest::newRow("a FIFO") << "fifo"
                            << "not a regular file";
    QTest::newRow("a link to a device") << "device"
                                        << "not a regular file";
    QTest::newRow("not INI") << "garbage"
                             << "line 2: neither a [section] nor a key=value line";
    QTest::newRow("a quote left open") << "quote"
                                       << "line 2: a quote is not closed";
    QTest::newRow("unreadable") << "unreadable"
                                << "Permission denied";
}

void TestPortMap::unusableFileStopsEveryNumber()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    if (kind == "unreadable" && ::geteuid() == 0) {
        QSKIP("root reads any file");
    }
    QTemporaryDir dir;
    const QString path = lnk::portMapPath(dir.path());
    const QByteArray entry = "[ports]\nCOM3=/dev/null\n";
    if (kind == "large") {
        writeFile(path, entry + QByteArray(64 * 1024, ';'));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == "device") {
        QVERIFY(QFile::link("/dev/zero", path));
    } else if (kind == "garbage") {
        writeFile(path, "[ports]\nCOM3 /dev/null\n");
    } else if (kind == "quote") {
        writeFile(path, "[ports]\nCOM3=\"/dev/null\n");
    } else {
        writeFile(path, entry);
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    // A number the file maps, one it does not, and one a link would otherwise give.
    QVERIFY(QDir().mkpath(dir.filePath("ports")));
    QVERIFY(QFile::link("/dev/null", lnk::portLinkPath(7, dir.path())));
    for (const int n : {3, 4, 7}) {
        const Opened o = openPort(dir.path(), n);
        QVERIFY(!o.opened);
        QCOMPARE(o.fault, lnk::LineFault::AddressInvalid);
        QCOMPARE(o.detail, path + ": " + reason);
    }
    QCOMPARE(lnk::loadPortMap(dir.path()).message(), path + ": " + reason);
    // Saving goes through the same check; only tried where a wrong write would harm no device.
    if (kind != "device") {
        QVERIFY(lnk::writePortMapEntry(dir.path(), 3, "/dev/ttyS1").has_value());
    }
}

void TestPortMap::savedEntryReadsBackWithTheSettingsClass_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("network address")
        << "rfc2217://192.0.2.10:4001" << QByteArray("COM3=rfc2217://192.0.2.10:4001");
    QTest::newRow("device with a semicolon") << "/dev/tty;1" << QByteArray("COM3=\"/dev/tty;1\"");
    QTest::newRow("device with a quote and a backslash")
        << "/dev/a\"b\\c" << QByteArray("COM3=/dev/a\\\"b\\\\c");
    QTest::newRow("device with a comma and an equals sign")
        << "/dev/a,b=c" << QByteArray("COM3=\"/dev/a,b=c\"");
}

void TestPortMap::savedEntryReadsBackWithTheSettingsClass()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    QCOMPARE(lnk::writePortMapEntry(dir.path(), 3, address), std::nullopt);
    QFile f(lnk::portMapPath(dir.path()));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), "[ports]\n" + line + "\n");
    QSettings ini(lnk::portMapPath(dir.path()), QSettings::IniFormat);
    QCOMPARE(ini.value("ports/COM3").toString(), address);
    QCOMPARE(lnk::mappedAddress(3, dir.path()), std::optional<QString>(address));

    // And what the settings class writes reads the same.
    QTemporaryDir other;
    {
        QSettings written(lnk::portMapPath(other.path()), QSettings::IniFormat);
        written.setValue("ports/COM3", address);
    }
    QCOMPARE(lnk::mappedAddress(3, other.path()), std::optional<QString>(address));
}

void TestPortMap::savingKeepsTheRestOfTheFile()
{
    QTemporaryDir dir;
    const QString path = lnk::portMapPath(dir.path());
    writeFile(path, "; kept\n[General]\nx=1\n\n[ports]\nCOM4=/dev/ttyS3\nCOM9=/dev/ttyS8\n\n"
                    "[later]\ny=2\n");
    QCOMPARE(lnk::writePortMapEntry(dir.path(), 10, "/dev/ttyUSB0"), std::nullopt);
    QCOMPARE(lnk::writePortMapEntry(dir.path(), 9, QString()), std::nullopt);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("; kept\n\n[General]\nx=1\n\n[ports]\nCOM10=/dev/ttyUSB0\n"
                                     "COM4=/dev/ttyS3\n\n[later]\ny=2\n"));
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "test_portmap.moc"
