#include "link/Frames.h"

#include <array>

namespace lnk {
namespace {

using model::Member;

// Which member sits at each offset of a layout; kAbsent where a constant or ignored byte is.
template <int N, typename OffsetOf> std::array<int, N> layout(OffsetOf offsetOf)
{
    std::array<int, N> at{};
    at.fill(model::kAbsent);
    for (const model::MemberInfo& i : model::members()) {
        const int off = offsetOf(i);
        if (off != model::kAbsent) {
            at[off] = model::index(i.member);
        }
    }
    return at;
}

const std::array<int, kDayFrameSize>& dayFrameLayout()
{
    static const auto at =
        layout<kDayFrameSize>([](const model::MemberInfo& i) { return i.dayFrame; });
    return at;
}

const std::array<int, kDayFrameSize>& nightFrameLayout()
{
    static const auto at =
        layout<kDayFrameSize>([](const model::MemberInfo& i) { return i.nightFrame; });
    return at;
}

const std::array<int, kDayReplySize>& dayReplyLayout()
{
    static const auto at =
        layout<kDayReplySize>([](const model::MemberInfo& i) { return i.dayReply; });
    return at;
}

const std::array<int, kDayReplySize>& nightReplyLayout()
{
    static const auto at =
        layout<kDayReplySize>([](const model::MemberInfo& i) { return i.nightReply; });
    return at;
}

int memberAtFrame(Block b, int offset)
{
    return b == Block::Day ? dayFrameLayout()[offset] : nightFrameLayout()[offset];
}

int memberAtReply(Block b, int offset)
{
    return b == Block::Day ? dayReplyLayout()[offset] : nightReplyLayout()[offset];
}

// Frames carry flags as 255/0 and the check box value as it is.
quint8 encodeMember(Member m, const model::ParameterSet& set)
{
    if (model::isFlag(m)) {
        return set.flag(m) ? 255 : 0;
    }
    return static_cast<quint8>(set.value(m));
}

// Day replies take flags from bit 0, night replies from any non-zero value; the check box
// takes bit 0 in both.
int decodeReplyByte(Block b, Member m, quint8 byte)
{
    if (model::isFlag(m)) {
        return b == Block::Day ? (byte & 1) : (byte != 0 ? 1 : 0);
    }
    if (m == Member::chkTurbo) {
        return byte & 1;
    }
    return byte;
}

} // namespace

int frameSize(Block b)
{
    return b == Block::Day ? kDayFrameSize : kNightFrameSize;
}

int replySize(Block b)
{
    return b == Block::Day ? kDayReplySize : kNightReplySize;
}

quint8 frameByte(Block b, int offset, const model::ParameterSet& set)
{
    if (offset == 0) {
        return kFrameHeader;
    }
    if (offset < 0 || offset >= frameSize(b)) {
        return 0;
    }
    const int m = memberAtFrame(b, offset);
    return m == model::kAbsent ? 0 : encodeMember(model::memberAt(m), set);
}

QByteArray encodeFrame(Block b, const model::ParameterSet& set)
{
    QByteArray frame;
    frame.reserve(frameSize(b));
    for (int off = 0; off < frameSize(b); ++off) {
        frame.append(static_cast<char>(frameByte(b, off, set)));
    }
    return frame;
}

std::optional<int> frameProgressAfter(Block b, int offset)
{
    switch (offset) {
    case 3:
        return 5;
    case 8:
        return 10;
    case 14:
        return 15;
    case 19:
        return 20;
    default:
        break;
    }
    if (b == Block::Day && offset == 33) {
        return 23;
    }
    if (b == Block::Night && offset == 21) {
        return 23;
    }
    if (offset == frameSize(b) - 1) {
        return 0;
    }
    return std::nullopt;
}

bool decodeFrame(Block b, const QByteArray& frame, model::ParameterSet& set)
{
    if (frame.size() != frameSize(b) || static_cast<quint8>(frame.at(0)) != kFrameHeader) {
        return false;
    }
    for (int off = 1; off < frameSize(b); ++off) {
        const int m = memberAtFrame(b, off);
        if (m == model::kAbsent) {
            continue;
        }
        const auto member = model::memberAt(m);
        const auto byte = static_cast<quint8>(frame.at(off));
        const int v = model::isFlag(member)        ? (byte != 0 ? 1 : 0)
                      : member == Member::chkTurbo ? (byte > 2 ? 1 : byte)
                                                   : byte;
        set.assign(member, v);
    }
    return true;
}

QByteArray encodeReply(Block b, const model::ParameterSet& set)
{
    QByteArray reply(replySize(b), '\0');
    for (int off = 0; off < replySize(b); ++off) {
        const int m = memberAtReply(b, off);
        if (m != model::kAbsent) {
            reply[off] = static_cast<char>(encodeMember(model::memberAt(m), set));
        }
    }
    return reply;
}

bool applyReply(Block b, const QByteArray& reply, model::ParameterSet& set,
                const std::function<void(int)>& progress)
{
    if (reply.size() < replySize(b)) {
        return false;
    }
    for (int off = 0; off < replySize(b); ++off) {
        const int m = memberAtReply(b, off);
        if (m != model::kAbsent) {
            const auto member = model::memberAt(m);
            set.assign(member, decodeReplyByte(b, member, static_cast<quint8>(reply.at(off))));
        }
        if (!progress) {
            continue;
        }
        switch (off) {
        case 2:
            progress(5);
            break;
        case 8:
            progress(15);
            break;
        case 13:
            progress(20);
            break;
        case 19:
            progress(23);
            break;
        case 22:
            progress(0);
            break;
        default:
            break;
        }
    }
    return true;
}

} // namespace lnk
