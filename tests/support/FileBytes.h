#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole files as bytes, for tests that write a file by hand and read one back.
inline bool put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A file that cannot be read gives a marker, never equal to any content a test expects.
inline QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
