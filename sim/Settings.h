#pragma once

#include "link/Frames.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

// How the simulated processor answers, faults included. Can change while it runs.
namespace sim {

inline constexpr std::chrono::milliseconds kDefaultReaction{20};

// Fill bytes of the injected faults, fixed so that a reader can tell them apart.
inline constexpr quint8 kGarbageByte = 0xA5;
inline constexpr quint8 kExtraByte = 0x5A;
inline constexpr quint8 kPaddingByte = 0x00;

struct Settings
{
    std::optional<lnk::Layout> replyLayout; // fixed reply layout; nullopt follows the preset
    std::chrono::milliseconds reaction = kDefaultReaction; // request to first reply byte

    // Faults.
    bool noReply = false;
    bool ignoreFrames = false; // frames are logged and not taken: the processor keeps its values
    int replyLength = -1; // send this many reply bytes (cut or zero-padded); < 0: the right length
    int extraBytes = 0;   // bytes after the reply
    int garbageBytes = 0; // bytes before the reply
    int dropAfter = -1;   // drop the line after this many bytes of an answer; < 0: never

    bool operator==(const Settings&) const = default;
};

struct Answer
{
    QByteArray bytes;    // everything that goes on the line, in order
    QString description; // "day reply (42 bytes)", faults named
};

// The bytes that answer one request: garbage, the reply resized to replyLength, extra bytes.
Answer composeAnswer(lnk::Layout layout, const QByteArray& reply, const Settings& settings);

} // namespace sim
