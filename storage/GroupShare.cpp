#include "storage/GroupShare.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace storage {

#ifndef Q_OS_WIN

namespace {

constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;

std::optional<struct stat> statOf(const QString& path)
{
    struct stat st
    {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return std::nullopt;
    }
    return st;
}

} // namespace

bool isGroupShared(const QString& folder)
{
    const auto st = statOf(folder.isEmpty() ? QStringLiteral(".") : folder);
    return st && S_ISDIR(st->st_mode) && (st->st_mode & S_IWGRP) != 0;
}

void shareWithGroup(const QString& path)
{
    const auto st = statOf(path);
    if (!st || !S_ISREG(st->st_mode) || st->st_uid != ::geteuid() ||
        (st->st_mode & kGroupReadWrite) == kGroupReadWrite ||
        !isGroupShared(QFileInfo(path).absolutePath())) {
        return;
    }
    ::chmod(QFile::encodeName(path).constData(), (st->st_mode & 07777) | kGroupReadWrite);
}

void createForGroup(const QString& path)
{
    if (!isGroupShared(QFileInfo(path).absolutePath())) {
        return;
    }
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0660);
    if (fd >= 0) {
        ::fchmod(fd, 0660);
        ::close(fd);
    }
}

QStringList lockedFromGroup(const QStringList& paths)
{
    QStringList locked;
    for (const QString& path : paths) {
        const auto st = statOf(path);
        if (st && S_ISREG(st->st_mode) && (st->st_mode & S_IWGRP) == 0 &&
            isGroupShared(QFileInfo(path).absolutePath())) {
            locked.append(path);
        }
    }
    return locked;
}

std::optional<unsigned> sharedFileMode(const QString& folder)
{
    return isGroupShared(folder) ? std::optional<unsigned>(0660) : std::nullopt;
}

#else

bool isGroupShared(const QString&)
{
    return false;
}

void shareWithGroup(const QString&) {}

void createForGroup(const QString&) {}

QStringList lockedFromGroup(const QStringList&)
{
    return {};
}

std::optional<unsigned> sharedFileMode(const QString&)
{
    return std::nullopt;
}

#endif

} // namespace storage
