// Not compiled on Linux or macOS: the Windows counterpart of LinkOwner_posix.cpp.
#include "link/LinkOwner.h"

#ifdef Q_OS_WIN

#include <QFileInfo>

namespace lnk {

// The simulator needs pseudo-terminals and runs only elsewhere: an owner file found here was
// carried over and no simulator on this system holds it.
OwnerLock probeOwnerLock(const QString& linkPath)
{
    return QFileInfo::exists(ownerFilePath(linkPath)) ? OwnerLock::Free : OwnerLock::NoOwnerFile;
}

} // namespace lnk

#endif
