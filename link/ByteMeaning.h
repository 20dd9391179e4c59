#pragma once

#include "link/Exchange.h"

#include <QString>

// What each byte of an exchange meant, for the line monitor: the frame header, a parameter and
// its value, a command, the request, a reply offset.
namespace lnk {

// "frame header (126)", "gate = 8", "constant 0", "command Setday (151)", "upload request (226)".
QString sentByteMeaning(const ExchangeResult& result, int offset);

// "reply offset 13: density = 90", "reply offset 25: not used", "after the reply: dropped",
// "reply byte 3 (refused)".
QString receivedByteMeaning(const ExchangeResult& result, int offset);

// "7E 01 FF": upper-case hex, one blank between bytes.
QString hexBytes(const QByteArray& bytes);

} // namespace lnk
