#include "sim/DeviceLink.h"

#include "link/LinkOwner.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sim {
namespace {

constexpr char kDevicePrefix[] = "/dev/pts/";
// The owner file can be replaced between our open and our lock by the simulator that held it
// as it ends; then the open is tried again on the new file.
constexpr int kClaimAttempts = 5;
constexpr std::chrono::milliseconds kLockPatience{1000};
constexpr std::chrono::milliseconds kLockRetry{20};

QString readLink(const QByteArray& path)
{
    char target[4096];
    const ssize_t n = readlink(path.constData(), target, sizeof target - 1);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, n);
}

// True when nothing is at the path, or only a simulator's link.
bool isSimulatorsOrFree(const QByteArray& path)
{
    struct stat st
    {};
    if (lstat(path.constData(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISLNK(st.st_mode) && readLink(path).startsWith(QLatin1String(kDevicePrefix));
}

bool sameFile(int fd, const QByteArray& path)
{
    struct stat a
    {};
    struct stat b
    {};
    return fstat(fd, &a) == 0 && stat(path.constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// A panel asking whether the name's owner runs holds the lock for an instant: that is waited
// out. Another simulator holds it for as long as it runs.
bool lockSoon(int fd)
{
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) {
            return false;
        }
        std::this_thread::sleep_for(kLockRetry);
    }
    return true;
}

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

void setError(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
}

} // namespace

bool DeviceLink::claim(QString* error)
{
    if (m_path.isEmpty() || m_ownerFd >= 0) {
        return true;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    const QByteArray owner = QFile::encodeName(lnk::ownerFilePath(m_path));
    for (int attempt = 0; attempt < kClaimAttempts && m_ownerFd < 0; ++attempt) {
        const int fd = ::open(owner.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            setError(error, QStringLiteral("cannot create the owner file %1: %2")
                                .arg(QFile::decodeName(owner), systemError()));
            return false;
        }
        // flock, not fcntl: its lock belongs to this open file, so a second simulator in the
        // same process (as in the tests) is refused too.
        if (!lockSoon(fd)) {
            const int lockError = errno;
            ::close(fd);
            if (lockError != EWOULDBLOCK) {
                errno = lockError;
                setError(error, QStringLiteral("cannot lock the owner file %1: %2")
                                    .arg(QFile::decodeName(owner), systemError()));
                return false;
            }
            const std::optional<qint64> pid = lnk::linkOwner(m_path);
            setError(error, QStringLiteral("%1 belongs to the simulator running as process %2; "
                                           "not taken over")
                                .arg(m_path, pid ? QString::number(*pid) : QStringLiteral("?")));
            return false;
        }
        if (sameFile(fd, owner)) {
            m_ownerFd = fd;
        } else {
            ::close(fd);
        }
    }
    if (m_ownerFd < 0) {
        setError(error, QStringLiteral("the owner file %1 keeps changing; %2 not taken")
                            .arg(QFile::decodeName(owner), m_path));
        return false;
    }
    if (!isSimulatorsOrFree(QFile::encodeName(m_path))) {
        release();
        setError(error, QStringLiteral("%1 exists and is not a link made by the simulator; "
                                       "not replaced")
                            .arg(m_path));
        return false;
    }
    const QByteArray pid = lnk::ownerFileContent(getpid());
    if (ftruncate(m_ownerFd, 0) != 0 ||
        pwrite(m_ownerFd, pid.constData(), static_cast<size_t>(pid.size()), 0) != pid.size()) {
        setError(error, QStringLiteral("cannot write the owner file %1: %2")
                            .arg(QFile::decodeName(owner), systemError()));
        release();
        return false;
    }
    return true;
}

bool DeviceLink::create(const QString& device, QString* error)
{
    if (m_path.isEmpty()) {
        return true;
    }
    if (!claim(error)) {
        return false;
    }
    // A new link under a temporary name, renamed over the old one, so the name never
    // points nowhere while it changes.
    const QByteArray p = QFile::encodeName(m_path);
    const QByteArray tmp = p + ".sim-" + QByteArray::number(static_cast<qint64>(getpid()));
    ::unlink(tmp.constData());
    if (symlink(QFile::encodeName(device).constData(), tmp.constData()) != 0 ||
        rename(tmp.constData(), p.constData()) != 0) {
        setError(error,
                 QStringLiteral("cannot link %1 to %2: %3").arg(m_path, device, systemError()));
        ::unlink(tmp.constData());
        return false;
    }
    m_target = device;
    return true;
}

void DeviceLink::remove()
{
    if (m_target.isEmpty()) {
        return;
    }
    const QByteArray p = QFile::encodeName(m_path);
    // Another simulator may have taken the name over since; leave its link alone.
    if (readLink(p) == m_target) {
        ::unlink(p.constData());
    }
    m_target.clear();
}

void DeviceLink::release()
{
    remove();
    if (m_ownerFd < 0) {
        return;
    }
    // Removed while still locked, so that no other simulator takes the name meanwhile; one
    // that opened this file before it went finds it gone once it gets the lock.
    const QByteArray owner = QFile::encodeName(lnk::ownerFilePath(m_path));
    if (sameFile(m_ownerFd, owner)) {
        ::unlink(owner.constData());
    }
    ::close(m_ownerFd);
    m_ownerFd = -1;
}

} // namespace sim
