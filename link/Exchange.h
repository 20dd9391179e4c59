#pragma once

#include "link/Frames.h"
#include "link/SerialLine.h"

#include <chrono>
#include <functional>

// The exchanges with the processor. Each is one open-write(-read)-close use of the line, in a
// fixed order: port number and settings, open (the only step whose failure means "nothing was
// written"), the writes, for uploads the wait and the reads, the progress reset, close.
// A failure after open closes the port too, so every exchange leaves it closed.
namespace lnk {

// The night upload gives the processor this long to answer.
inline constexpr std::chrono::milliseconds kNightUploadWait{2000};
// Once 25 bytes wait, the night upload listens this much longer for a 26th: three byte times
// at 1200 bit/s (10 bits a byte). Still inside kNightUploadWait.
inline constexpr std::chrono::milliseconds kNightSettle{25};

enum class ExchangeStatus
{
    Done,
    OpenFailed,   // nothing written, port closed
    LineFailed,   // the line failed after open; port closed, nothing applied
    ReplyRefused, // the reply had the wrong length; port closed, nothing applied
};

struct ExchangeResult
{
    ExchangeStatus status = ExchangeStatus::Done;
    LineFault fault = LineFault::None; // what the line reported, for OpenFailed / LineFailed
    QString detail;                    // the line's description of it
    int replyCount = -1;               // uploads: the count of bytes waiting when it was taken

    bool ok() const { return status == ExchangeStatus::Done; }
};

struct ExchangeHooks
{
    std::function<void(int)> progress; // the progress bar's new value (0..23)
    std::function<void()> idle;        // called now and then while an upload waits
};

// Writes the day or night frame, each byte read from the set as it is written.
ExchangeResult sendBlock(SerialLine& line, int portNo, Block block, const model::ParameterSet& set,
                         const ExchangeHooks& hooks = {});

// Shows full progress, then writes the one command byte.
ExchangeResult sendCommand(SerialLine& line, int portNo, quint8 byte,
                           const ExchangeHooks& hooks = {});

// Writes the request byte and waits at most `wait` for the reply; closes, then applies it to
// the set. Day: ends as soon as 42 or more bytes wait; fewer than 42 is refused, more is cut
// to 42. Night: once 25 wait, listens kNightSettle longer (within `wait`) for a further byte,
// then takes the count again; any count other than exactly 25 is refused.
ExchangeResult uploadBlock(SerialLine& line, int portNo, Block block,
                           std::chrono::milliseconds wait, model::ParameterSet& set,
                           const ExchangeHooks& hooks = {});

} // namespace lnk
