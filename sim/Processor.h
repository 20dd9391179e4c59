#pragma once

#include "link/Commands.h"
#include "link/Frames.h"
#include "sim/State.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>
#include <vector>

// The processor's side of the protocol, without any I/O: bytes in, state changes, log texts
// and replies out. Time comes from the caller, so the engine runs the same on a real line
// and in a test.
//
// Framing rule: outside a frame, the header 126 starts a frame. The frame ends at its 42nd
// byte (a day frame) or at the first pause of kFrameSilence; a pause after exactly 33 bytes
// ends a night frame, a pause after any other count ends an incomplete frame, which is logged
// and dropped. Inside a frame every byte is data, 126 and 226 included. Outside a frame, the
// sixteen command bytes and the upload request 226 are acted on; any other byte is logged as
// unknown and ignored.
namespace sim {

using Clock = std::chrono::steady_clock;

inline constexpr std::chrono::milliseconds kFrameSilence{100};

struct Event
{
    QString text; // log text without time; empty for a request
    // Set for the upload request: the layout of the reply and its bytes.
    std::optional<lnk::Layout> request;
    QByteArray reply;
};

class Processor
{
public:
    // Bytes that arrived together at `at`. A pending frame whose pause reached kFrameSilence
    // before `at` is finished first.
    std::vector<Event> feed(const QByteArray& bytes, Clock::time_point at);

    // Finishes a pending frame once the line has been silent for kFrameSilence.
    std::vector<Event> expire(Clock::time_point now);

    // When expire() has something to do, if a frame is pending.
    std::optional<Clock::time_point> deadline() const;

    // Forgets a pending frame, as when the line drops.
    void resetLine();

    // Fixes the reply layout whatever preset is active; nullopt follows the active preset.
    void setReplyLayout(std::optional<lnk::Layout> layout) { m_replyLayout = layout; }
    // A fault: complete frames are logged and dropped, as by a processor that does not take them.
    void setIgnoreFrames(bool ignore) { m_ignoreFrames = ignore; }

    const State& state() const { return m_state; }
    void setState(const State& state) { m_state = state; }

private:
    void take(quint8 byte, std::vector<Event>& out);
    void finishFrame(lnk::Layout block, std::vector<Event>& out);
    void finishBySilence(std::vector<Event>& out);
    void command(lnk::Command command);
    Event request() const;

    State m_state;
    QByteArray m_frame; // pending frame, header included; empty outside a frame
    Clock::time_point m_lastByte;
    std::optional<lnk::Layout> m_replyLayout;
    bool m_ignoreFrames = false;
};

} // namespace sim
