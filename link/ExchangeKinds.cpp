#include "link/ExchangeKinds.h"

#include <array>
#include <string_view>

namespace lnk {
namespace {

struct KindText
{
    ExchangeKind kind;
    std::string_view name;
    std::string_view failure;
};

constexpr std::string_view kUploadDayFailure = "Error RS232, USB or IP, try to use other port "
                                               "(Menu Setup), wrong connection or wrong firmware "
                                               "version.";

// clang-format off
constexpr std::array<KindText, 5> kTexts{{
    {ExchangeKind::SendDay, "day-send",
     "Error RS232, USB or IP, try to use other port (Menu Setup) or wrong firmware version."},
    {ExchangeKind::SendNight, "night-send",
     "Error RS232, USB or IP, try to use other port (Menu Setup)or wrong firmware version."},
    {ExchangeKind::UploadDay, "day-upload", kUploadDayFailure},
    {ExchangeKind::UploadNight, "night-upload",
     "Error RS232, USB or IP, try to use other port (Menu Setup) or wrong connection or wrong "
     "firmware version. "},
    // Taking the reply by its length is the day upload's request with both layouts allowed.
    {ExchangeKind::UploadByLength, "upload", kUploadDayFailure},
}};
// clang-format on

QString text(std::string_view v)
{
    return QString::fromLatin1(v.data(), static_cast<qsizetype>(v.size()));
}

} // namespace

QString kindName(ExchangeKind kind, std::optional<Command> command)
{
    if (kind == ExchangeKind::Command) {
        return command ? text(commandInfo(*command).name) : QStringLiteral("command");
    }
    for (const KindText& t : kTexts) {
        if (t.kind == kind) {
            return text(t.name);
        }
    }
    return {};
}

QString failureMessage(ExchangeKind kind, std::optional<Command> command)
{
    if (kind == ExchangeKind::Command) {
        return command ? text(commandInfo(*command).openFailure) : QString();
    }
    for (const KindText& t : kTexts) {
        if (t.kind == kind) {
            return text(t.failure);
        }
    }
    return {};
}

} // namespace lnk
