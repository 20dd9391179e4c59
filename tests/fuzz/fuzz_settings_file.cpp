// Any file as the settings file: a port number 0..255 or nothing, never a crash.
#include "FuzzInputs.h"
#include "storage/SettingsFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzzing::scratchFileWith(data, size);

    const auto port = storage::readSettingsFile(path);
    if (port && size == 0) {
        std::abort();
    }
    return 0;
}
