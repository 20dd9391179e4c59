#include "sim/Log.h"

#include <QFile>
#include <QTime>

#include <cerrno>
#include <cstring>

namespace sim {

Log::~Log()
{
    if (m_ownStream && m_stream) {
        std::fclose(m_stream);
    }
}

void Log::setStream(FILE* stream)
{
    std::lock_guard lock(m_mutex);
    if (m_ownStream && m_stream) {
        std::fclose(m_stream);
    }
    m_stream = stream;
    m_ownStream = false;
}

bool Log::openFile(const QString& path, QString* error)
{
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!f) {
        if (error) {
            *error = QStringLiteral("cannot write the log %1: %2")
                         .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        }
        return false;
    }
    setStream(f);
    std::lock_guard lock(m_mutex);
    m_ownStream = true;
    return true;
}

void Log::write(const QString& text)
{
    const QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + text;
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
        if (static_cast<int>(m_lines.size()) > kKeptLines) {
            m_lines.pop_front();
            ++m_forgotten;
        }
        if (m_stream) {
            const QByteArray bytes = line.toLocal8Bit() + '\n';
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_stream);
            std::fflush(m_stream);
        }
    }
    m_written.notify_all();
}

QStringList Log::lines() const
{
    std::lock_guard lock(m_mutex);
    return QStringList(m_lines.begin(), m_lines.end());
}

int Log::count() const
{
    std::lock_guard lock(m_mutex);
    return m_forgotten + static_cast<int>(m_lines.size());
}

bool Log::waitFor(const QString& fragment, int from, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_written.wait_for(lock, timeout, [&] {
        for (int i = qMax(from - m_forgotten, 0); i < static_cast<int>(m_lines.size()); ++i) {
            if (m_lines[static_cast<size_t>(i)].contains(fragment)) {
                return true;
            }
        }
        return false;
    });
}

} // namespace sim
