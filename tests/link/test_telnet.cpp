// The Telnet layer and the COM port option, against bytes written out by hand.
#include "link/ComPortOption.h"
#include "link/Telnet.h"

#include <QTest>

using lnk::telnet::Event;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// "WILL 0; SB 44: 6500; CMD 241": one event after another.
QString describe(const QList<Event>& events)
{
    static const char* const names[] = {"WILL", "WONT", "DO", "DONT", "SB", "CMD"};
    QStringList parts;
    for (const Event& e : events) {
        QString part = QStringLiteral("%1 %2").arg(QLatin1String(names[int(e.kind)])).arg(e.code);
        if (e.kind == Event::Kind::Subnegotiation) {
            part += QStringLiteral(": ") + QString::fromLatin1(e.payload.toHex());
        }
        parts << part;
    }
    return parts.join(QStringLiteral("; "));
}

struct Decoded
{
    QByteArray data;
    QString events;
};

// Feeds the stream in reads that end at the given offsets.
Decoded decodeInReads(const QByteArray& stream, const QList<int>& cuts)
{
    lnk::telnet::Decoder decoder;
    Decoded out;
    QList<Event> events;
    int from = 0;
    for (const int cut : cuts) {
        decoder.feed(stream.mid(from, cut - from), out.data, events);
        from = cut;
    }
    decoder.feed(stream.mid(from), out.data, events);
    out.events = describe(events);
    return out;
}

} // namespace

class TestTelnet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decoder_data();
    void decoder();
    void requests_data();
    void requests();
    void answers_data();
    void answers();
};

void TestTelnet::decoder_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("events");

    QTest::newRow("plain data") << hex("7e0102") << hex("7e0102") << "";
    QTest::newRow("doubled 255 is one data byte") << hex("7effff41") << hex("7eff41") << "";
    QTest::newRow("negotiation is not data") << hex("01fffb0002") << hex("0102") << "WILL 0";
    QTest::newRow("the four verbs")
        << hex("fffb00fffc01fffd2cfffe03") << QByteArray() << "WILL 0; WONT 1; DO 44; DONT 3";
    QTest::newRow("baud rate answer")
        << hex("fffa2c65000004b0fff0") << QByteArray() << "SB 44: 65000004b0";
    QTest::newRow("255 in a subnegotiation is undoubled")
        << hex("fffa2c650000fffffff041") << hex("41") << "SB 44: 650000ff";
    QTest::newRow("empty subnegotiation") << hex("fffa2cfff0") << QByteArray() << "SB 44: ";
    QTest::newRow("other commands are not data")
        << hex("fff141fff9") << hex("41") << "CMD 241; CMD 249";
    QTest::newRow("stray SE") << hex("fff0") << QByteArray() << "CMD 240";
    QTest::newRow("subnegotiation cut short by a command")
        << hex("fffa2c7003fffb01") << QByteArray() << "SB 44: 7003; WILL 1";
    QTest::newRow("unterminated subnegotiation swallows what follows")
        << hex("fffa2c010203") << QByteArray() << "";
    QTest::newRow("overlong subnegotiation is dropped whole")
        << hex("fffa2c") + QByteArray(lnk::telnet::Decoder::kMaxPayload + 1, 'A') + hex("fff042")
        << hex("42") << "";
    QTest::newRow("longest subnegotiation is kept")
        << hex("fffa2c") + QByteArray(lnk::telnet::Decoder::kMaxPayload, 'A') + hex("fff0")
        << QByteArray()
        << "SB 44: " +
               QString::fromLatin1(QByteArray(lnk::telnet::Decoder::kMaxPayload, 'A').toHex());
}

void TestTelnet::decoder()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, data);
    QFETCH(QString, events);

    // In one read, cut in two at every place, and a byte at a time.
    QList<QList<int>> readings{{}};
    QList<int> every;
    for (int cut = 1; cut < stream.size(); ++cut) {
        readings << QList<int>{cut};
        every << cut;
    }
    readings << every;
    for (const QList<int>& cuts : readings) {
        const Decoded got = decodeInReads(stream, cuts);
        QCOMPARE(got.data.toHex(), data.toHex());
        QCOMPARE(got.events, events);
    }
}

void TestTelnet::requests_data()
{
    namespace rfc = lnk::rfc2217;
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("data with 255 doubled")
        << lnk::telnet::escapeData(hex("7eff41ff")) << hex("7effff41ffff");
    QTest::newRow("WILL COM port")
        << lnk::telnet::negotiation(lnk::telnet::kWill, 44) << hex("fffb2c");
    QTest::newRow("baud 1200, network order")
        << rfc::setBaudRate(1200) << hex("fffa2c01000004b0fff0");
    QTest::newRow("baud with a 255 byte doubled")
        << rfc::setBaudRate(0x01ff) << hex("fffa2c01000001fffffff0");
    QTest::newRow("8 data bits") << rfc::setDataSize(8) << hex("fffa2c0208fff0");
    QTest::newRow("no parity") << rfc::setParity(lnk::Parity::None) << hex("fffa2c0301fff0");
    QTest::newRow("even parity") << rfc::setParity(lnk::Parity::Even) << hex("fffa2c0303fff0");
    QTest::newRow("1 stop bit") << rfc::setStopSize(lnk::StopBits::One) << hex("fffa2c0401fff0");
    QTest::newRow("2 stop bits") << rfc::setStopSize(lnk::StopBits::Two) << hex("fffa2c0402fff0");
    QTest::newRow("1.5 stop bits")
        << rfc::setStopSize(lnk::StopBits::OneAndHalf) << hex("fffa2c0403fff0");
    QTest::newRow("purge both buffers")
        << rfc::purgeData(rfc::Purge::Both) << hex("fffa2c0c03fff0");
    QTest::newRow("send settings") << rfc::requestsFor(lnk::kSendSettings)
                                   << hex("fffa2c01000004b0fff0"
                                          "fffa2c0208fff0"
                                          "fffa2c0301fff0"
                                          "fffa2c0402fff0");
    QTest::newRow("upload settings end in 1 stop bit")
        << rfc::requestsFor(lnk::kUploadSettings).right(7) << hex("fffa2c0401fff0");
}

void TestTelnet::requests()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, bytes);
    QCOMPARE(built.toHex(' '), bytes.toHex(' '));
}

void TestTelnet::answers_data()
{
    using C = lnk::rfc2217::Command;
    QTest::addColumn<int>("option");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("command");
    QTest::addColumn<uint>("value");

    QTest::newRow("baud rate") << 44 << hex("65000004b0") << true << int(C::SetBaudRate) << 1200u;
    QTest::newRow("large baud rate")
        << 44 << hex("6500e10000") << true << int(C::SetBaudRate) << 14745600u;
    QTest::newRow("data size") << 44 << hex("6608") << true << int(C::SetDataSize) << 8u;
    QTest::newRow("parity") << 44 << hex("6701") << true << int(C::SetParity) << 1u;
    QTest::newRow("stop size") << 44 << hex("6802") << true << int(C::SetStopSize) << 2u;
    QTest::newRow("purge") << 44 << hex("7003") << true << int(C::PurgeData) << 3u;
    QTest::newRow("a client code is no answer") << 44 << hex("01000004b0") << false << 0 << 0u;
    QTest::newRow("baud rate one byte short") << 44 << hex("650004b0") << false << 0 << 0u;
    QTest::newRow("data size with a byte too many") << 44 << hex("660800") << false << 0 << 0u;
    QTest::newRow("line state notice is no answer") << 44 << hex("6a00") << false << 0 << 0u;
    QTest::newRow("empty") << 44 << QByteArray() << false << 0 << 0u;
    QTest::newRow("another option") << 45 << hex("6608") << false << 0 << 0u;
}

void TestTelnet::answers()
{
    QFETCH(int, option);
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(int, command);
    QFETCH(uint, value);

    const Event e{Event::Kind::Subnegotiation, quint8(option), payload};
    const auto answer = lnk::rfc2217::parseAnswer(e);
    QCOMPARE(answer.has_value(), valid);
    if (valid) {
        QCOMPARE(int(answer->command), command);
        QCOMPARE(answer->value, value);
    }
}

QTEST_GUILESS_MAIN(TestTelnet)
#include "test_telnet.moc"
