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

// The progress bar's points: the value shown right after the byte of a member went out (frames)
// or was applied (replies).
struct ProgressPoint
{
    Member after;
    int value;
};

constexpr std::array<ProgressPoint, 5> kDayFramePoints{{
    {Member::bassrel, 5},
    {Member::eq1638, 10},
    {Member::density, 15},
    {Member::ob3815, 20},
    {Member::LFShift, 23},
}};
constexpr std::array<ProgressPoint, 5> kNightFramePoints{{
    {Member::bassrel, 5},
    {Member::eq1638, 10},
    {Member::density, 15},
    {Member::ob3815, 20},
    {Member::mpxpow, 23},
}};
constexpr std::array<ProgressPoint, 5> kReplyPoints{{
    {Member::bassrel, 5},
    {Member::eq3815, 15},
    {Member::density, 20},
    {Member::optidrive, 23},
    {Member::mclipdrive, 0},
}};

int frameOffset(Layout b, Member m)
{
    return b == Layout::Day ? model::info(m).dayFrame : model::info(m).nightFrame;
}

int replyOffset(Layout b, Member m)
{
    return b == Layout::Day ? model::info(m).dayReply : model::info(m).nightReply;
}

int memberIndexAtFrame(Layout b, int offset)
{
    return b == Layout::Day ? dayFrameLayout()[offset] : nightFrameLayout()[offset];
}

int memberIndexAtReply(Layout b, int offset)
{
    return b == Layout::Day ? dayReplyLayout()[offset] : nightReplyLayout()[offset];
}

std::optional<int> replyProgressAfter(Layout b, int offset)
{
    for (const ProgressPoint& p : kReplyPoints) {
        if (replyOffset(b, p.after) == offset) {
            return p.value;
        }
    }
    return std::nullopt;
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
int decodeReplyByte(Layout b, Member m, quint8 byte)
{
    if (model::isFlag(m)) {
        return b == Layout::Day ? (byte & 1) : (byte != 0 ? 1 : 0);
    }
    if (m == Member::chkTurbo) {
        return byte & 1;
    }
    return byte;
}

} // namespace

int frameSize(Layout b)
{
    return b == Layout::Day ? kDayFrameSize : kNightFrameSize;
}

int replySize(Layout b)
{
    return b == Layout::Day ? kDayReplySize : kNightReplySize;
}

quint8 frameByte(Layout b, int offset, const model::ParameterSet& set)
{
    if (offset == 0) {
        return kFrameHeader;
    }
    if (offset < 0 || offset >= frameSize(b)) {
        return 0;
    }
    const int m = memberIndexAtFrame(b, offset);
    return m == model::kAbsent ? 0 : encodeMember(model::memberAt(m), set);
}

QByteArray encodeFrame(Layout b, const model::ParameterSet& set)
{
    QByteArray frame;
    frame.reserve(frameSize(b));
    for (int off = 0; off < frameSize(b); ++off) {
        frame.append(static_cast<char>(frameByte(b, off, set)));
    }
    return frame;
}

std::optional<int> frameProgressAfter(Layout b, int offset)
{
    for (const ProgressPoint& p : b == Layout::Day ? kDayFramePoints : kNightFramePoints) {
        if (frameOffset(b, p.after) == offset) {
            return p.value;
        }
    }
    if (offset == frameSize(b) - 1) {
        return 0;
    }
    return std::nullopt;
}

std::optional<model::Member> memberAtFrame(Layout b, int offset)
{
    if (offset < 1 || offset >= frameSize(b)) {
        return std::nullopt;
    }
    const int m = memberIndexAtFrame(b, offset);
    return m == model::kAbsent ? std::nullopt : std::optional(model::memberAt(m));
}

std::optional<model::Member> memberAtReply(Layout b, int offset)
{
    if (offset < 0 || offset >= replySize(b)) {
        return std::nullopt;
    }
    const int m = memberIndexAtReply(b, offset);
    return m == model::kAbsent ? std::nullopt : std::optional(model::memberAt(m));
}

bool decodeFrame(Layout b, const QByteArray& frame, model::ParameterSet& set)
{
    if (frame.size() != frameSize(b) || static_cast<quint8>(frame.at(0)) != kFrameHeader) {
        return false;
    }
    for (int off = 1; off < frameSize(b); ++off) {
        const int m = memberIndexAtFrame(b, off);
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

QByteArray encodeReply(Layout b, const model::ParameterSet& set)
{
    QByteArray reply(replySize(b), '\0');
    for (int off = 0; off < replySize(b); ++off) {
        const int m = memberIndexAtReply(b, off);
        if (m != model::kAbsent) {
            reply[off] = static_cast<char>(encodeMember(model::memberAt(m), set));
        }
    }
    return reply;
}

int replyValue(Layout b, const QByteArray& reply, model::Member m)
{
    const int off = replyOffset(b, m);
    return decodeReplyByte(b, m, static_cast<quint8>(reply.at(off)));
}

bool applyReply(Layout b, const QByteArray& reply, model::ParameterSet& set,
                const std::function<void(int)>& progress)
{
    if (reply.size() < replySize(b)) {
        return false;
    }
    for (int off = 0; off < replySize(b); ++off) {
        const int m = memberIndexAtReply(b, off);
        if (m != model::kAbsent) {
            const auto member = model::memberAt(m);
            set.assign(member, decodeReplyByte(b, member, static_cast<quint8>(reply.at(off))));
        }
        if (progress) {
            if (const std::optional<int> p = replyProgressAfter(b, off)) {
                progress(*p);
            }
        }
    }
    return true;
}

} // namespace lnk
