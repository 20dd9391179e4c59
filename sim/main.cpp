// orvexdab-sim: the audio processor on a pseudo-terminal. See --help.
#include "sim/CommandLine.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::timespec kCheckEvery{0, 250'000'000};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvexdab-sim"));

    sim::CommandLine cl = sim::parseCommandLine(QCoreApplication::arguments());
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "orvexdab-sim: %s\n(try --help)\n", qPrintable(cl.error));
        return 2;
    }
    if (cl.help) {
        std::fputs(qPrintable(sim::helpText()), stdout);
        return 0;
    }
    cl.options.printDevice = true;
    cl.options.logToStdout = true;

    // The signals that end us are taken by sigtimedwait below, never by a handler, so the
    // serving thread (which inherits this mask) is never interrupted by them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    sim::Simulator simulator(cl.options);
    QString error;
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "orvexdab-sim: %s\n", qPrintable(error));
        return 1;
    }
    while (simulator.isRunning()) {
        const int signal = sigtimedwait(&endSignals, nullptr, &kCheckEvery);
        if (signal > 0) {
            break;
        }
    }
    simulator.stop();
    return 0;
}
