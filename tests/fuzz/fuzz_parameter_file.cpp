// Any file as a parameter file: every field read is applied in range, and the read ends in
// success or a typed error that names the field it stopped at.
#include "FuzzInputs.h"
#include "storage/ParameterFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::scratchFileWith(data, size);

    model::ParameterSet set;
    set.setFlag(model::Member::AutoDensity, (size % 2) == 1);
    const auto error = storage::readParameterFile(path, set);
    if (error && (error->field < 1 || error->field > storage::kParameterFileLines)) {
        std::abort();
    }
    for (int i = 0; i < model::kMemberCount; ++i) {
        const auto m = model::memberAt(i);
        if (set.value(m) < 0 || set.value(m) > model::maximum(m)) {
            std::abort();
        }
    }
    return 0;
}
