#include "session/LogFile.h"
#include "storage/GroupShare.h"

#ifndef Q_OS_WIN

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace session {
namespace {

bool regularOrAbsent(const QByteArray& name)
{
    struct stat st
    {};
    return ::lstat(name.constData(), &st) != 0 ? errno == ENOENT : S_ISREG(st.st_mode);
}

QString describe(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

LogFile::LogFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening, so that a device is not even opened (opening a serial port
    // raises its modem lines). Only a hint: the descriptor decides.
    if (!regularOrAbsent(name)) {
        m_state = State::NotRegular;
        return;
    }
    int fd = -1;
    do {
        fd = ::open(name.constData(),
                    O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                    0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // ENXIO: a FIFO nobody reads; ELOOP: a link; EISDIR: a folder.
        const int error = errno;
        m_state =
            error == ENXIO || error == ELOOP || error == EISDIR ? State::NotRegular : State::Failed;
        m_error = describe(error);
        return;
    }
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        m_state = State::NotRegular;
        return;
    }
    m_handle = fd;
    m_size = st.st_size;
    m_state = State::Open;
    storage::shareWithGroup(path);
}

LogFile::~LogFile()
{
    if (m_handle >= 0) {
        ::close(static_cast<int>(m_handle));
    }
}

bool LogFile::append(const QByteArray& bytes)
{
    qint64 done = 0;
    while (m_state == State::Open && done < bytes.size()) {
        const ssize_t n = ::write(static_cast<int>(m_handle), bytes.constData() + done,
                                  static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            m_error = describe(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += n;
    }
    return m_state == State::Open;
}

bool LogFile::rotate(const QString& path, const QString& older)
{
    const QByteArray from = QFile::encodeName(path);
    const QByteArray to = QFile::encodeName(older);
    struct stat st
    {};
    if (::lstat(from.constData(), &st) != 0 || !S_ISREG(st.st_mode) || !regularOrAbsent(to)) {
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

} // namespace session

#endif
