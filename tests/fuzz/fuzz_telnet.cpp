// Any bytes from a Telnet serial server: however the reads cut them, they decode the same way,
// subnegotiations stay bounded, and data escaped again decodes back to itself.
#include "link/ComPortOption.h"
#include "link/Telnet.h"

#include <cstdint>
#include <cstdlib>

using lnk::telnet::Decoder;
using lnk::telnet::Event;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    Decoder whole;
    QByteArray wholeData;
    QList<Event> wholeEvents;
    whole.feed(input, wholeData, wholeEvents);

    // Reads of 1 to 7 bytes, their lengths taken from the input itself.
    Decoder pieces;
    QByteArray pieceData;
    QList<Event> pieceEvents;
    for (qsizetype at = 0, i = 0; at < input.size(); ++i) {
        const qsizetype n = 1 + quint8(input[i % input.size()]) % 7;
        pieces.feed(input.mid(at, n), pieceData, pieceEvents);
        at += n;
    }
    if (pieceData != wholeData || pieceEvents != wholeEvents) {
        std::abort();
    }

    for (const Event& e : wholeEvents) {
        if (e.payload.size() > Decoder::kMaxPayload) {
            std::abort();
        }
        const auto answer = lnk::rfc2217::parseAnswer(e);
        if (answer && answer->command != lnk::rfc2217::Command::SetBaudRate &&
            answer->value > 0xFF) {
            std::abort();
        }
    }

    Decoder again;
    QByteArray back;
    QList<Event> none;
    again.feed(lnk::telnet::escapeData(wholeData), back, none);
    if (back != wholeData || !none.isEmpty()) {
        std::abort();
    }
    return 0;
}
