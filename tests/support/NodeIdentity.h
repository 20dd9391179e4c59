#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>

// What stands at a path, without following a link: a test that offers a writer a FIFO, a device
// or a link checks that the very same node is still there afterwards.
struct NodeId
{
    mode_t type = 0;
    ino_t inode = 0;
    friend bool operator==(const NodeId&, const NodeId&) = default;
};

inline NodeId nodeAt(const QString& path)
{
    struct stat st
    {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        return {};
    }
    return {st.st_mode & S_IFMT, st.st_ino};
}
