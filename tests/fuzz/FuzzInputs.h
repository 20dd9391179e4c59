#pragma once

// Shared pieces of the fuzz targets.

#include "link/Frames.h"

#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>

namespace fuzzing {

// The readers take a path: each input is written to one scratch file in memory-backed storage.
inline QString scratchFileWith(const uint8_t* data, size_t size)
{
    static QTemporaryFile file(QStringLiteral("/dev/shm/orvex-fuzz-XXXXXX"));
    if (!file.isOpen() && !file.open()) {
        std::abort();
    }
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.flush();
    return file.fileName();
}

// Any bytes as an upload reply: applied in full when long enough, refused otherwise, and the
// progress bar only ever shown within its range.
inline void applyReplyBytes(lnk::Layout block, const uint8_t* data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    model::ParameterSet set;
    set.setFlag(model::Member::AutoDensity, (size % 2) == 1);
    const bool applied = lnk::applyReply(block, reply, set, [](int bar) {
        if (bar < 0 || bar > 23) {
            std::abort();
        }
    });
    if (applied != (size >= static_cast<size_t>(lnk::replySize(block)))) {
        std::abort();
    }
    if (applied && set.value(model::Member::gate) != data[0]) {
        std::abort();
    }
}

} // namespace fuzzing
