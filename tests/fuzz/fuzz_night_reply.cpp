// Any bytes as a night upload reply.
#include "FuzzInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzing::applyReplyBytes(lnk::Layout::Night, data, size);
    return 0;
}
