#pragma once

#include "model/ParameterSet.h"

#include <QByteArray>

#include <functional>
#include <optional>

// Byte layouts of the parameter blocks: the frames the panel sends (header 126) and the
// replies the processor gives to the request byte 226. Offsets come from the member table.
namespace lnk {

inline constexpr quint8 kFrameHeader = 126;
inline constexpr quint8 kUploadRequest = 226;

enum class Layout
{
    Day,
    Night,
};

inline constexpr int kDayFrameSize = 42;
inline constexpr int kNightFrameSize = 33;
inline constexpr int kDayReplySize = 42;
inline constexpr int kNightReplySize = 25;

int frameSize(Layout b);
int replySize(Layout b);

// The frame byte at an offset, read from the set at the moment it is asked for.
quint8 frameByte(Layout b, int offset, const model::ParameterSet& set);
QByteArray encodeFrame(Layout b, const model::ParameterSet& set);

// Progress bar value to show right after the frame byte at this offset went out.
std::optional<int> frameProgressAfter(Layout b, int offset);

// The member a frame or reply offset carries; nothing for the header, constants and ignored
// bytes.
std::optional<model::Member> memberAtFrame(Layout b, int offset);
std::optional<model::Member> memberAtReply(Layout b, int offset);

// The processor's side: takes a complete frame (header included) into a set.
// Returns false, changing nothing, when the frame has the wrong size or header.
bool decodeFrame(Layout b, const QByteArray& frame, model::ParameterSet& set);

// The processor's side: the reply block built from a set (flags as 255/0).
QByteArray encodeReply(Layout b, const model::ParameterSet& set);

// A reply byte as the member's value, the way an upload reads it (flags and the check box from
// their bits), without any change rule. reply: at least replySize(b) bytes; the member must be
// one the layout's reply carries.
int replyValue(Layout b, const QByteArray& reply, model::Member m);

// The panel's side: applies a reply of at least replySize(b) bytes in offset order.
// Extra bytes are ignored. progress is called at the upload's progress points.
// Returns false, changing nothing, when the reply is shorter than the block.
bool applyReply(Layout b, const QByteArray& reply, model::ParameterSet& set,
                const std::function<void(int)>& progress = {});

} // namespace lnk
