#include "link/ByteMeaning.h"

namespace lnk {
namespace {

QString nameOf(model::Member m)
{
    const std::string_view n = model::info(m).name;
    return QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size()));
}

// The layout a reply was (or would have been) read in.
std::optional<Layout> replyLayout(const ExchangeResult& r)
{
    if (r.layout) {
        return r.layout;
    }
    switch (r.kind) {
    case ExchangeKind::UploadDay:
        return Layout::Day;
    case ExchangeKind::UploadNight:
        return Layout::Night;
    default:
        return std::nullopt;
    }
}

} // namespace

QString sentByteMeaning(const ExchangeResult& r, int offset)
{
    if (offset < 0 || offset >= r.sent.size()) {
        return {};
    }
    const auto byte = static_cast<quint8>(r.sent.at(offset));
    switch (r.kind) {
    case ExchangeKind::SendDay:
    case ExchangeKind::SendNight: {
        if (offset == 0) {
            return QStringLiteral("frame header (%1)").arg(byte);
        }
        const Layout b = r.kind == ExchangeKind::SendDay ? Layout::Day : Layout::Night;
        if (const std::optional<model::Member> m = memberAtFrame(b, offset)) {
            return QStringLiteral("%1 = %2").arg(nameOf(*m)).arg(byte);
        }
        return QStringLiteral("constant %1").arg(byte);
    }
    case ExchangeKind::Command:
        if (const std::optional<Command> c = commandByByte(byte)) {
            return QStringLiteral("command %1 (%2)").arg(kindName(r.kind, c)).arg(byte);
        }
        return QStringLiteral("byte %1").arg(byte);
    default:
        return QStringLiteral("upload request (%1)").arg(byte);
    }
}

QString receivedByteMeaning(const ExchangeResult& r, int offset)
{
    if (offset < 0 || offset >= r.received.size()) {
        return {};
    }
    const auto byte = static_cast<quint8>(r.received.at(offset));
    const std::optional<Layout> layout = replyLayout(r);
    if (!layout) {
        return QStringLiteral("reply byte %1 = %2 (refused)").arg(offset).arg(byte);
    }
    if (offset >= replySize(*layout)) {
        return QStringLiteral("after the reply: %1, dropped").arg(byte);
    }
    const QString refused = r.ok() ? QString() : QStringLiteral(" (refused)");
    if (const std::optional<model::Member> m = memberAtReply(*layout, offset)) {
        return QStringLiteral("reply offset %1: %2 = %3%4")
            .arg(offset)
            .arg(nameOf(*m))
            .arg(byte)
            .arg(refused);
    }
    return QStringLiteral("reply offset %1: not used (%2)%3").arg(offset).arg(byte).arg(refused);
}

QString hexBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace lnk
