#pragma once

#include "link/Commands.h"

#include <QString>

#include <optional>

// The kinds of exchange, their names in logs and the message an operator sees when one fails.
namespace lnk {

enum class ExchangeKind
{
    SendDay,
    SendNight,
    UploadDay,
    UploadNight,
    UploadByLength, // one request, the reply taken by its length (day: 42 or more, night: exactly
                    // 25)
    Command,
};

// "day-send", "night-send", "day-upload", "night-upload", "upload", or the command's name.
QString kindName(ExchangeKind kind, std::optional<Command> command = std::nullopt);

// The failure message of an exchange: the same whether the port would not open, the line failed
// later or the reply was refused. A command's message comes from the command table.
QString failureMessage(ExchangeKind kind, std::optional<Command> command = std::nullopt);

} // namespace lnk
