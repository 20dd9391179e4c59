// Any text as a stored version's values (a row another program may have written): it is either
// refused or read as values in range, and values read back are written and read again unchanged.
#include "fleet/ValuesText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const lnk::Layout layout : {lnk::Layout::Day, lnk::Layout::Night}) {
        const std::optional<fleet::Values> values = fleet::decodeValues(layout, text);
        if (!values) {
            continue;
        }
        for (int i = 0; i < model::kMemberCount; ++i) {
            const model::Member m = model::memberAt(i);
            const int v = (*values)[i];
            if (v < 0 || v > model::maximum(m)) {
                std::abort();
            }
        }
        const QString again = fleet::encodeValues(layout, *values);
        const std::optional<fleet::Values> back = fleet::decodeValues(layout, again);
        if (!back || *back != *values || fleet::encodeValues(layout, *back) != again) {
            std::abort();
        }
    }
    return 0;
}
