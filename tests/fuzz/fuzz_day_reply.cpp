// Any bytes as a day upload reply.
#include "FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::applyReplyBytes(lnk::Layout::Day, data, size);
    return 0;
}
