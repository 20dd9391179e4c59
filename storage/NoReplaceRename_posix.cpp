#include "storage/SetAside.h"

#ifndef Q_OS_WIN

#include "storage/ErrnoKind_posix.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace storage {
namespace {

RenameOutcome failed(const QString& from, int errorNumber, FileError& error)
{
    if (errorNumber == EEXIST) {
        return RenameOutcome::NameTaken;
    }
    error = {errnoKind(from, errorNumber)};
    return RenameOutcome::Failed;
}

// For file systems without a no-replace rename: a hard link is never made over an existing
// name either. Only between the two calls is the file under both names.
RenameOutcome linkThenUnlink(const QString& from, const QByteArray& f, const QByteArray& t,
                             FileError& error)
{
    if (::link(f.constData(), t.constData()) != 0) {
        return failed(from, errno, error);
    }
    if (::unlink(f.constData()) != 0) {
        const int unlinkError = errno;
        ::unlink(t.constData());
        return failed(from, unlinkError, error);
    }
    return RenameOutcome::Renamed;
}

} // namespace

RenameOutcome renameWithoutReplacing(const QString& from, const QString& to, FileError& error)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0) {
        return RenameOutcome::Renamed;
    }
    // ENOSYS: a kernel without renameat2; EINVAL: a file system without the flag.
    if (errno != ENOSYS && errno != EINVAL) {
        return failed(from, errno, error);
    }
#endif
    return linkThenUnlink(from, f, t, error);
}

} // namespace storage

#endif
