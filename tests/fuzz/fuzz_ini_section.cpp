// Any bytes as ports.ini or fleet.ini (files another program may have written): parsed or
// refused with a reason, never more entries than lines; every value read is written back
// (in a section of its own, the rest of the file kept) and read again as the same value.
#include "link/IniSection.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const lnk::ini::Parsed parsed = lnk::ini::parse(text);
    if (!parsed.error.isEmpty()) {
        if (!parsed.entries.isEmpty() && parsed.error.isEmpty()) {
            std::abort();
        }
        return 0;
    }
    if (parsed.entries.size() > text.count('\n') + 1) {
        std::abort();
    }
    QList<std::pair<QString, QString>> written;
    for (const lnk::ini::Entry& e : parsed.entries) {
        written.append({QString::number(written.size() + 1), e.value});
        if (written.size() == 8) {
            break;
        }
    }
    const QString section = QStringLiteral("fuzzed");
    const lnk::ini::Parsed again = lnk::ini::parse(lnk::ini::withSection(text, section, written));
    if (!again.error.isEmpty()) {
        std::abort();
    }
    QList<std::pair<QString, QString>> readBack;
    for (const lnk::ini::Entry& e : again.entries) {
        if (e.key.startsWith(section + u'/')) {
            readBack.append({e.key.mid(section.size() + 1), e.value});
        }
    }
    if (readBack != written) {
        std::abort();
    }
    return 0;
}
