#include "sim/DeviceLink.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {
namespace {

constexpr char kDevicePrefix[] = "/dev/pts/";

QString readLink(const QByteArray& path)
{
    char target[4096];
    const ssize_t n = readlink(path.constData(), target, sizeof target - 1);
    return n < 0 ? QString() : QString::fromLocal8Bit(target, n);
}

} // namespace

bool DeviceLink::isFree(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat st
    {};
    if (lstat(p.constData(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISLNK(st.st_mode) && readLink(p).startsWith(QLatin1String(kDevicePrefix));
}

bool DeviceLink::create(const QString& device, QString* error)
{
    if (m_path.isEmpty()) {
        return true;
    }
    if (!isFree(m_path)) {
        if (error) {
            *error = QStringLiteral("%1 exists and is not a link made by the simulator; "
                                    "not replaced")
                         .arg(m_path);
        }
        return false;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // A new link under a temporary name, renamed over the old one, so the name never
    // points nowhere while it changes.
    const QByteArray p = QFile::encodeName(m_path);
    const QByteArray tmp = p + ".sim-" + QByteArray::number(static_cast<qint64>(getpid()));
    ::unlink(tmp.constData());
    if (symlink(QFile::encodeName(device).constData(), tmp.constData()) != 0 ||
        rename(tmp.constData(), p.constData()) != 0) {
        if (error) {
            *error = QStringLiteral("cannot link %1 to %2: %3")
                         .arg(m_path, device, QString::fromLocal8Bit(strerror(errno)));
        }
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

} // namespace sim
