// Any file as the settings file: a port number 0..255 or nothing, never a crash.
#include "storage/SettingsFile.h"

#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryFile file(QStringLiteral("/dev/shm/orvex-fuzz-XXXXXX.INI"));
    if (!file.isOpen() && !file.open()) {
        std::abort();
    }
    file.resize(0);
    file.seek(0);
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.flush();

    const auto port = storage::readSettingsFile(file.fileName());
    if (port && size == 0) {
        std::abort();
    }
    return 0;
}
