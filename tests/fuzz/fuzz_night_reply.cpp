// Any bytes as a night upload reply: applied in full when long enough, refused otherwise.
#include "link/Frames.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    model::ParameterSet set;
    set.setFlag(model::Member::AutoDensity, (size % 2) == 1);
    const bool applied = lnk::applyReply(lnk::Block::Night, reply, set, [](int bar) {
        if (bar < 0 || bar > 23) {
            std::abort();
        }
    });
    if (applied != (size >= static_cast<size_t>(lnk::kNightReplySize))) {
        std::abort();
    }
    if (applied && set.value(model::Member::gate) != data[0]) {
        std::abort();
    }
    return 0;
}
