#include "storage/SetAside.h"

namespace storage {

FileResult<QString> setAside(const QString& path)
{
    for (int i = 0; i < kSetAsideNames; ++i) {
        const QString name =
            i == 0 ? path + QStringLiteral(".bak") : QStringLiteral("%1.bak.%2").arg(path).arg(i);
        FileError error;
        switch (renameWithoutReplacing(path, name, error)) {
        case RenameOutcome::Renamed:
            return {name, std::nullopt};
        case RenameOutcome::NameTaken:
            continue;
        case RenameOutcome::Failed:
            return {{}, error};
        }
    }
    return {{}, FileError{FileErrorKind::PathFileAccess}};
}

} // namespace storage
