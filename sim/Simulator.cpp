#include "sim/Simulator.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace sim {
namespace {

constexpr std::chrono::milliseconds kIdleTick{250};
// A drop asked for from outside is done by the serving thread within one turn of its loop.
constexpr std::chrono::milliseconds kDropTimeout{5000};

timespec toTimespec(Clock::duration d)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

Simulator::Simulator(Options options)
    : m_options(std::move(options)), m_link(m_options.linkPath), m_settings(m_options.settings)
{
    m_engine.setReplyLayout(m_settings.replyLayout);
    m_engine.setIgnoreFrames(m_settings.ignoreFrames);
}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(QString* error)
{
    if (isRunning()) {
        return true;
    }
    // The name first: a simulator refused because another one runs there must not start
    // its log afresh over the other's.
    if (!m_link.claim(error)) {
        return false;
    }
    if (!m_options.logFile.isEmpty() && !m_log.openFile(m_options.logFile, error)) {
        m_link.release();
        return false;
    }
    if (m_options.logToStdout && m_options.logFile.isEmpty()) {
        m_log.setStream(stdout);
    }
    if (!m_pty.open(error)) {
        m_link.release();
        return false;
    }
    if (!m_link.create(m_pty.devicePath(), error)) {
        m_link.release();
        m_pty.close();
        return false;
    }
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0) {
        if (error) {
            *error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        }
        m_link.release();
        m_pty.close();
        return false;
    }
    if (m_options.printDevice) {
        std::fprintf(stdout, "%s\n", m_pty.devicePath().toLocal8Bit().constData());
        std::fflush(stdout);
    }
    std::lock_guard lock(m_mutex);
    m_device = m_pty.devicePath();
    m_log.write(
        QStringLiteral("processor ready on %1%2")
            .arg(m_pty.devicePath(), m_options.linkPath.isEmpty()
                                         ? QString()
                                         : QStringLiteral(" (link %1)").arg(m_options.linkPath)));
    m_lineSettings.reset();
    noteLineSettings();
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void Simulator::stop()
{
    if (!m_thread.joinable()) {
        return;
    }
    m_stopping = true;
    wake();
    m_thread.join();
    ::close(m_wakeFd);
    m_wakeFd = -1;
    m_link.release();
    m_pty.close();
    {
        std::lock_guard lock(m_mutex);
        m_device.clear();
        m_queue.clear();
    }
    m_log.write(QStringLiteral("processor stopped"));
}

QString Simulator::devicePath() const
{
    std::lock_guard lock(m_mutex);
    return m_device;
}

State Simulator::state() const
{
    std::lock_guard lock(m_mutex);
    return m_engine.state();
}

void Simulator::setState(const State& state)
{
    std::lock_guard lock(m_mutex);
    m_engine.setState(state);
}

Settings Simulator::settings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void Simulator::setSettings(const Settings& settings)
{
    std::lock_guard lock(m_mutex);
    m_settings = settings;
    m_engine.setReplyLayout(settings.replyLayout);
    m_engine.setIgnoreFrames(settings.ignoreFrames);
}

bool Simulator::dropLineNow()
{
    if (!isRunning()) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    if (!m_pty.isOpen()) {
        return false;
    }
    // The serving thread polls the device, so it is the one to close it.
    m_dropRequested = true;
    wake();
    return m_dropDone.wait_for(lock, kDropTimeout, [this] { return !m_dropRequested; });
}

void Simulator::vanish(Clock::time_point now)
{
    m_link.remove();
    m_pty.close();
    m_engine.resetLine();
    m_queue.clear();
    m_device.clear();
    m_lineSettings.reset();
    m_reopenAt = now + kReappearAfter;
}

void Simulator::wake()
{
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void Simulator::run()
{
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        const timespec timeout = toTimespec(std::max(nextWake(now) - now, Clock::duration{}));
        std::array<pollfd, 3> fds{{{m_wakeFd, POLLIN, 0},
                                   {m_pty.masterFd(), POLLIN, 0},
                                   {m_pty.closeWatchFd(), POLLIN, 0}}};
        // A closed line polls only the wake-up; poll() skips a negative descriptor.
        const nfds_t count = m_pty.isOpen() ? 3 : 1;
        if (ppoll(fds.data(), count, &timeout, nullptr) < 0 && errno != EINTR) {
            std::this_thread::sleep_for(kLineRetry);
        }
        if (fds[0].revents & POLLIN) {
            quint64 drained = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
        }
        if (m_stopping) {
            break;
        }
        const short line = count > 1 ? fds[1].revents : 0;
        if ((line & (POLLHUP | POLLERR)) && !(line & POLLIN)) {
            // Should not happen while we hold the serial end open; do not spin if it does.
            std::this_thread::sleep_for(kLineRetry);
        }
        if (count > 2 && (fds[2].revents & POLLIN)) {
            m_pty.clientClosed();
        }
        std::lock_guard lock(m_mutex);
        const Clock::time_point t = Clock::now();
        if (m_dropRequested) {
            if (m_pty.isOpen()) {
                m_log.write(
                    QStringLiteral("line dropped on request: device %1 removed").arg(m_device));
                vanish(t);
            }
            m_dropRequested = false;
            m_dropDone.notify_all();
            continue;
        }
        // Before the bytes: they arrived under the settings in force now.
        noteLineSettings();
        if (line & POLLIN) {
            readInput(t);
        }
        handle(m_engine.expire(t), t);
        pump(t);
        if (!m_pty.isOpen() && t >= m_reopenAt) {
            reopenLine(t);
        }
    }
}

Clock::time_point Simulator::nextWake(Clock::time_point now) const
{
    std::lock_guard lock(m_mutex);
    Clock::time_point next = now + kIdleTick;
    if (const auto d = m_engine.deadline()) {
        next = std::min(next, *d);
    }
    if (!m_queue.empty()) {
        const Outgoing& o = m_queue.front();
        next = std::min(next, o.sent < o.bytes.size() ? dueTime(o, o.sent) : now);
    }
    if (!m_pty.isOpen()) {
        next = std::min(next, m_reopenAt);
    }
    return next;
}

void Simulator::noteLineSettings()
{
    if (!m_pty.isOpen()) {
        return;
    }
    const std::optional<lnk::LineSettings> now = terminalSettings(m_pty.masterFd());
    if (now && now != m_lineSettings) {
        m_lineSettings = now;
        m_log.write(describeLineSettings(*now));
    }
}

void Simulator::readInput(Clock::time_point now)
{
    QByteArray bytes;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_pty.masterFd(), buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        bytes.append(buffer, n);
    }
    if (!bytes.isEmpty()) {
        handle(m_engine.feed(bytes, now), now);
    }
}

void Simulator::handle(const std::vector<Event>& events, Clock::time_point now)
{
    for (const Event& e : events) {
        if (e.request) {
            answer(e, now);
        } else {
            m_log.write(e.text);
        }
    }
}

} // namespace sim
