#include "link/LinkOwner.h"

#ifndef Q_OS_WIN

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lnk {

OwnerLock probeOwnerLock(const QString& linkPath)
{
    const QByteArray path = QFile::encodeName(ownerFilePath(linkPath));
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? OwnerLock::NoOwnerFile : OwnerLock::Free;
    }
    struct stat st
    {};
    OwnerLock state = OwnerLock::Free;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // A shared lock is refused only while the simulator holds its exclusive one. Closing
        // the descriptor gives ours back.
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            state = OwnerLock::Held;
        }
    }
    ::close(fd);
    return state;
}

} // namespace lnk

#endif
