#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// line.log opened for appending one line. It never waits (a FIFO without a reader would stop
// the event loop for good), never follows a link, and takes bytes only when it is a regular
// file: whatever else is at the path is left alone.
namespace session {

class LogFile
{
public:
    enum class State
    {
        Open,
        NotRegular, // a FIFO, a device, a socket, a folder or a link: never written
        Failed,     // could not be opened (see error())
    };

    explicit LogFile(const QString& path);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    State state() const { return m_state; }
    QString error() const { return m_error; }
    // The size when it was opened.
    qint64 size() const { return m_size; }
    // All of bytes at the end of the file; false (see error()) when not.
    bool append(const QByteArray& bytes);

    // Renames the log at path to older, in one step. Only a regular file is moved, and only a
    // regular file at older is replaced; false when anything else is at either name.
    static bool rotate(const QString& path, const QString& older);

private:
    qintptr m_handle = -1;
    State m_state = State::Failed;
    QString m_error;
    qint64 m_size = 0;
};

} // namespace session
