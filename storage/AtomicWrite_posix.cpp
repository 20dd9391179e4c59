#include "storage/AtomicWrite.h"

#ifndef Q_OS_WIN

#include "storage/ErrnoKind_posix.h"
#include "storage/GroupShare.h"
#include "storage/WriteTarget.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {
namespace {

constexpr int kTemporaryNames = 100;

// The new content under a name of its own beside the target, removed again unless it was
// renamed into place.
class Temporary
{
public:
    ~Temporary()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (!m_name.isEmpty()) {
            ::unlink(m_name.constData());
        }
    }

    // mode: the old file's permissions, or 0666 (less the umask) for a new file.
    std::optional<FileError> create(const QString& target, std::optional<mode_t> mode)
    {
        for (int i = 0; i < kTemporaryNames; ++i) {
            const QByteArray name = QFile::encodeName(target) + '.' +
                                    QByteArray::number(QRandomGenerator::global()->generate(), 36);
            const int fd =
                ::open(name.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST) {
                continue;
            }
            if (fd < 0) {
                return FileError{errnoKind(target, errno)};
            }
            m_fd = fd;
            m_name = name;
            if (mode && ::fchmod(fd, *mode) != 0) {
                return FileError{errnoKind(target, errno)};
            }
            return std::nullopt;
        }
        return FileError{FileErrorKind::PathFileAccess};
    }

    std::optional<FileError> fill(const QString& target, const QByteArray& bytes)
    {
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return FileError{errnoKind(target, n < 0 ? errno : ENOSPC)};
            }
            done += n;
        }
        // On disk before the name moves: a crash must leave the old file or the new one.
        const int synced = ::fsync(m_fd);
        const int syncError = errno;
        const int closed = ::close(m_fd);
        const int closeError = errno;
        m_fd = -1;
        if (synced != 0 || closed != 0) {
            return FileError{errnoKind(target, synced != 0 ? syncError : closeError)};
        }
        return std::nullopt;
    }

    std::optional<FileError> renameOnto(const QByteArray& target)
    {
        // Once more right before the rename: something put at the path meanwhile is not ours
        // to replace. Only the rename itself is left between this look and the change.
        struct stat st
        {};
        if (::lstat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return FileError{FileErrorKind::PathFileAccess};
        }
        if (::rename(m_name.constData(), target.constData()) != 0) {
            return FileError{errnoKind(QFile::decodeName(target), errno)};
        }
        m_name.clear();
        return std::nullopt;
    }

private:
    int m_fd = -1;
    QByteArray m_name;
};

} // namespace

std::optional<FileError> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    const FileResult<QString> target = writeTarget(path);
    if (target.error) {
        return target.error;
    }
    const QByteArray name = QFile::encodeName(target.value);
    struct stat st
    {};
    std::optional<mode_t> mode;
    if (::stat(name.constData(), &st) == 0) {
        // A read-only file stays as it is, even where its folder would allow the rename.
        if (::access(name.constData(), W_OK) != 0) {
            return FileError{errnoKind(target.value, errno)};
        }
        mode = st.st_mode & 0777;
    }
    // In a folder the group shares, the group keeps its write whatever the umask.
    if (const std::optional<unsigned> shared =
            sharedFileMode(QFileInfo(target.value).absolutePath())) {
        mode = mode.value_or(0) | mode_t(*shared);
    }
    Temporary temporary;
    if (auto error = temporary.create(target.value, mode)) {
        return error;
    }
    if (auto error = temporary.fill(target.value, bytes)) {
        return error;
    }
    return temporary.renameOnto(name);
}

} // namespace storage

#endif
