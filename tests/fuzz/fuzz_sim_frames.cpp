// Any bytes on the simulator's line, with pauses between them: frames, commands and requests
// are taken apart without a crash, and every reply has one of the two block lengths.
#include "link/Frames.h"
#include "sim/Processor.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    // The first byte chooses after how many bytes the line pauses for longer than a frame gap.
    const size_t pauseEvery = 1 + data[0] % 48;
    sim::Processor engine;
    auto now = sim::Clock::time_point{} + std::chrono::seconds(1);
    for (size_t i = 1; i < size; ++i) {
        const QByteArray byte(1, static_cast<char>(data[i]));
        for (const sim::Event& e : engine.feed(byte, now)) {
            if (e.request && e.reply.size() != lnk::replySize(*e.request)) {
                std::abort();
            }
        }
        now +=
            (i % pauseEvery == 0) ? std::chrono::milliseconds(150) : std::chrono::milliseconds(8);
        engine.expire(now);
    }
    now += std::chrono::seconds(1);
    engine.expire(now);
    if (engine.deadline().has_value()) {
        std::abort();
    }
    return 0;
}
