#include "storage/SmallFile.h"

#include "storage/ErrnoKind_posix.h"

#ifndef Q_OS_WIN

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {
namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { ::close(m_fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int m_fd;
};

FileResult<QByteArray> failed(FileErrorKind kind)
{
    return {{}, FileError{kind}};
}

bool usable(const struct stat& st, qint64 maxBytes)
{
    return S_ISREG(st.st_mode) && st.st_size <= maxBytes;
}

} // namespace

FileResult<QByteArray> readSmallFile(const QString& path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {};
    // Looked at before opening, so that a device is not even opened (opening a serial port
    // raises its modem lines). Only a hint: the path may change before the open, so the
    // opened descriptor is what decides.
    if (::stat(name.constData(), &st) == 0 && !usable(st, maxBytes)) {
        return failed(FileErrorKind::PathFileAccess);
    }
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return failed(errnoKind(path, errno));
    }
    const Descriptor closer(fd);
    if (::fstat(fd, &st) != 0 || !usable(st, maxBytes)) {
        return failed(FileErrorKind::PathFileAccess);
    }
    // One byte more than allowed: a file that grew since fstat shows itself by filling it.
    QByteArray bytes(maxBytes + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failed(FileErrorKind::DeviceIO);
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    if (got > maxBytes) {
        return failed(FileErrorKind::PathFileAccess);
    }
    bytes.truncate(got);
    return {bytes, std::nullopt};
}

} // namespace storage

#endif
