#pragma once

#include <QtGlobal>

#include <array>
#include <optional>
#include <string_view>

// The one-byte processor commands: each is one byte written in its own exchange, nothing read.
namespace lnk {

enum class Command : quint8
{
    Testtone,
    Stoptone,
    Saveday,
    Savenight,
    Setday,
    Setnight,
    Switchon,
    Switchoff,
    Save1,
    Save2,
    Save3,
    Save4,
    Recall1,
    Recall2,
    Recall3,
    Recall4,
};

inline constexpr int kCommandCount = 16;

struct CommandInfo
{
    Command command;
    std::string_view name; // name of the main window's operation
    quint8 byte;
    std::string_view openFailure; // message when the port cannot be opened
};

const std::array<CommandInfo, kCommandCount>& commands();
const CommandInfo& commandInfo(Command c);
std::optional<Command> commandByByte(quint8 byte);
std::optional<Command> commandByName(std::string_view name);

} // namespace lnk
