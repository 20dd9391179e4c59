// Network addresses as an operator writes them: what they reach, and what is wrong with those
// that cannot be used.
#include "link/NetworkAddress.h"

#include <QTest>

class TestNetworkAddress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valid_data();
    void valid();
    void malformed_data();
    void malformed();
};

void TestNetworkAddress::valid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("canonical");

    QTest::newRow("raw by name") << "tcp://serial-01.site.example:4001" << false
                                 << "serial-01.site.example" << 4001
                                 << "tcp://serial-01.site.example:4001";
    QTest::newRow("telnet by IPv4") << "rfc2217://192.168.10.7:2217" << true << "192.168.10.7"
                                    << 2217 << "rfc2217://192.168.10.7:2217";
    QTest::newRow("IPv6 in brackets, compressed")
        << "rfc2217://[0:0:0:0:0:0:0:1]:7000" << true << "::1" << 7000 << "rfc2217://[::1]:7000";
    QTest::newRow("scheme and name in capitals")
        << "TCP://Site.Example:1" << false << "site.example" << 1 << "tcp://site.example:1";
    QTest::newRow("highest port, spaces around")
        << "  tcp://localhost:65535 " << false << "localhost" << 65535 << "tcp://localhost:65535";
}

void TestNetworkAddress::valid()
{
    QFETCH(QString, text);
    QFETCH(bool, rfc2217);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, canonical);

    const lnk::ParsedAddress parsed = lnk::parseNetworkAddress(text);
    QVERIFY2(parsed.address.has_value(), qPrintable(parsed.error));
    QCOMPARE(parsed.address->scheme == lnk::NetworkScheme::Rfc2217, rfc2217);
    QCOMPARE(parsed.address->host, host);
    QCOMPARE(int(parsed.address->port), port);
    QCOMPARE(parsed.address->text(), canonical);
    QVERIFY(lnk::hasNetworkScheme(text));
    QCOMPARE(lnk::parseNetworkAddress(canonical).address, parsed.address);
}

void TestNetworkAddress::malformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");

    QTest::newRow("no port") << "tcp://serial-01"
                             << "no port";
    QTest::newRow("colon without port") << "rfc2217://serial-01:"
                                        << "no port";
    QTest::newRow("port 0") << "tcp://serial-01:0"
                            << "outside 1 to 65535";
    QTest::newRow("port over 65535") << "tcp://serial-01:65536"
                                     << "outside 1 to 65535";
    QTest::newRow("port not a number") << "tcp://serial-01:telnet"
                                       << "not a number";
    QTest::newRow("path after the port") << "tcp://serial-01:4001/x"
                                         << "not a number";
    QTest::newRow("unknown scheme") << "udp://serial-01:4001"
                                    << "unknown scheme \"udp\"";
    QTest::newRow("no scheme") << "serial-01:4001"
                               << "write tcp://HOST:PORT";
    QTest::newRow("no host") << "tcp://:4001"
                             << "no host";
    QTest::newRow("IPv6 without brackets") << "tcp://::1:4001"
                                           << "in brackets";
    QTest::newRow("IPv6 bracket not closed") << "tcp://[::1:4001"
                                             << "closing bracket";
    QTest::newRow("IPv4 in brackets") << "tcp://[10.0.0.1]:4001"
                                      << "not an IPv6 address";
    QTest::newRow("IPv4 out of range") << "tcp://10.0.0.256:4001"
                                       << "not an IPv4 address";
    QTest::newRow("IPv4 with three parts") << "tcp://10.0.1:4001"
                                           << "not an IPv4 address";
    QTest::newRow("user in the host") << "tcp://admin@serial-01:4001"
                                      << "not a host name";
    QTest::newRow("label starting with a hyphen") << "tcp://-serial:4001"
                                                  << "not a host name";
}

void TestNetworkAddress::malformed()
{
    QFETCH(QString, text);
    QFETCH(QString, why);

    const lnk::ParsedAddress parsed = lnk::parseNetworkAddress(text);
    QVERIFY(!parsed.address.has_value());
    QVERIFY2(parsed.error.contains(QLatin1Char('"') + text + QLatin1Char('"')),
             qPrintable(parsed.error));
    QVERIFY2(parsed.error.contains(why), qPrintable(parsed.error));
}

QTEST_GUILESS_MAIN(TestNetworkAddress)
#include "test_networkaddress.moc"
