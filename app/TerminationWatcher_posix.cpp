#include "app/TerminationWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

void writeToSelfPipe(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop reads the other end.
    [[maybe_unused]] const auto written = ::write(g_signalFds[0], &byte, 1);
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::onSignal);

    struct sigaction action = {};
    action.sa_handler = writeToSelfPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

TerminationWatcher::~TerminationWatcher()
{
    // One watcher at a time owns the signals; its notifier goes before the descriptors.
    delete m_notifier;
    m_notifier = nullptr;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        std::signal(sig, SIG_DFL);
    }
    for (int& fd : g_signalFds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void TerminationWatcher::onSignal()
{
    char byte = 0;
    [[maybe_unused]] const auto got = ::read(g_signalFds[1], &byte, 1);
    Q_EMIT terminationRequested();
}
