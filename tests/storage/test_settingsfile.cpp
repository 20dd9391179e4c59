#include "storage/SettingsFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void format_data();
    void format();
    void read_data();
    void read();
    void writeReplacesOldFile();
};

void TestSettingsFile::format_data()
{
    QTest::addColumn<int>("portNo");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("port 3") << 3 << QByteArray(" 3 \r\n");
    QTest::newRow("port 12") << 12 << QByteArray(" 12 \r\n");
    QTest::newRow("port 0") << 0 << QByteArray(" 0 \r\n");
    QTest::newRow("port 255") << 255 << QByteArray(" 255 \r\n");
}

void TestSettingsFile::format()
{
    QFETCH(int, portNo);
    QFETCH(QByteArray, bytes);
    QCOMPARE(storage::formatSettingsFile(static_cast<quint8>(portNo)), bytes);
}

void TestSettingsFile::read_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("portNo"); // -1: nothing read
    QTest::newRow("missing") << false << QByteArray() << -1;
    QTest::newRow("7") << true << QByteArray(" 7 \r\n") << 7;
    QTest::newRow("0 is accepted") << true << QByteArray(" 0 \r\n") << 0;
    QTest::newRow("300") << true << QByteArray(" 300 \r\n") << -1;
    QTest::newRow("abc") << true << QByteArray("abc\r\n") << -1;
    QTest::newRow("empty") << true << QByteArray() << -1;
    QTest::newRow("several lines: first counts")
        << true << QByteArray(" 3 \r\n 9 \r\nxyz\r\n") << 3;
    QTest::newRow("broken second line unread") << true << QByteArray(" 4 \r\n 999 \r\n") << 4;
    QTest::newRow("no line end") << true << QByteArray("12") << 12;
    QTest::newRow("comma after") << true << QByteArray("5,6") << 5;
}

void TestSettingsFile::read()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, bytes);
    QFETCH(int, portNo);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ORVEXFM.INI"));
    if (present) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const std::optional<quint8> read = storage::readSettingsFile(path);
    if (portNo < 0) {
        QCOMPARE(read, std::nullopt);
    } else {
        QCOMPARE(read, std::optional<quint8>(static_cast<quint8>(portNo)));
    }
}

void TestSettingsFile::writeReplacesOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ORVEXFM.INI"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(" 200 \r\n 7 \r\n junk that must go \r\n");
    old.close();
    QCOMPARE(storage::writeSettingsFile(path, 12), std::nullopt);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray(" 12 \r\n"));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
