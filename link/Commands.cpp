#include "link/Commands.h"

namespace lnk {
namespace {

using C = Command;

constexpr std::string_view kRs232 = "Error RS232, USB or IP, try to use other port (Menu Setup)";
constexpr std::string_view kSerial =
    "Error serial communication, try to use other port (Menu Setup)";

// clang-format off
constexpr std::array<CommandInfo, kCommandCount> kCommands{{
    {C::Testtone,  "Testtone",  100, kRs232},
    {C::Stoptone,  "Stoptone",  110, kRs232},
    {C::Saveday,   "Saveday",   145, kRs232},
    {C::Savenight, "Savenight", 149, kRs232},
    {C::Setday,    "Setday",    151, kRs232},
    {C::Setnight,  "Setnight",  163, kSerial},
    {C::Switchon,  "Switchon",  175, kRs232},
    {C::Switchoff, "Switchoff", 179, kSerial},
    {C::Save1,     "Save1",     136, kRs232},
    {C::Save2,     "Save2",     137, kSerial},
    {C::Save3,     "Save3",     138, kRs232},
    {C::Save4,     "Save4",     139, kSerial},
    {C::Recall1,   "Recall1",   180, kRs232},
    {C::Recall2,   "Recall2",   181, kSerial},
    {C::Recall3,   "Recall3",   182, kRs232},
    {C::Recall4,   "Recall4",   183, kSerial},
}};
// clang-format on

constexpr bool tableInCommandOrder()
{
    for (int i = 0; i < kCommandCount; ++i) {
        if (static_cast<int>(kCommands[i].command) != i) {
            return false;
        }
    }
    return true;
}
static_assert(tableInCommandOrder(), "command table must follow the Command enumeration");

} // namespace

const std::array<CommandInfo, kCommandCount>& commands()
{
    return kCommands;
}

const CommandInfo& commandInfo(Command c)
{
    return kCommands[static_cast<int>(c)];
}

std::optional<Command> commandByByte(quint8 byte)
{
    for (const CommandInfo& i : kCommands) {
        if (i.byte == byte) {
            return i.command;
        }
    }
    return std::nullopt;
}

std::optional<Command> commandByName(std::string_view name)
{
    for (const CommandInfo& i : kCommands) {
        if (i.name == name) {
            return i.command;
        }
    }
    return std::nullopt;
}

} // namespace lnk
