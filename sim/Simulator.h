#pragma once

#include "sim/DeviceLink.h"
#include "sim/Log.h"
#include "sim/Processor.h"
#include "sim/PseudoTerminal.h"
#include "sim/Settings.h"
#include "sim/TerminalSettings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// The simulated processor on a pseudo-terminal, served by its own thread. The program
// orvexdab-sim runs one; tests and benchmarks start and stop their own in-process.
namespace sim {

// One byte on the line: start bit, 8 data bits, stop bit at 1200 bit/s.
using ByteTime = std::chrono::duration<long long, std::ratio<10, 1200>>;
inline constexpr ByteTime kByteTime{1};

// How long a dropped line stays away before a new device (and link) appears.
inline constexpr std::chrono::milliseconds kReappearAfter{1000};

// When the line cannot take a byte, or reports a hang-up, try again after this.
inline constexpr std::chrono::milliseconds kLineRetry{10};

struct Options
{
    Settings settings;
    QString linkPath;         // symbolic link to the device; empty for none
    QString logFile;          // log to this file; empty for none
    bool logToStdout = false; // log to standard output
    bool printDevice = false; // device path as the first line of standard output
};

class Simulator
{
public:
    explicit Simulator(Options options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the device, makes the link and starts serving; false with a reason otherwise.
    bool start(QString* error = nullptr);
    // Stops serving, removes the link and the device. Safe to call twice.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

    // Current device path; empty while a dropped line is away.
    QString devicePath() const;
    QString linkPath() const { return m_options.linkPath; }

    State state() const;
    void setState(const State& state);
    Settings settings() const;
    void setSettings(const Settings& settings);

    const Log& log() const { return m_log; }

    // Drops the line at once, as the drop-after fault does in the middle of an answer: the
    // device and its link vanish, and a new device comes back after kReappearAfter. Returns
    // when the device is gone; false when it was not there to drop.
    bool dropLineNow();

private:
    struct Outgoing
    {
        QByteArray bytes;
        QString description;
        Clock::time_point requestAt;
        Clock::time_point start; // the first byte is on the line one byte time later
        int sent = 0;
        int dropAfter = -1;
    };

    void run();
    Clock::time_point nextWake(Clock::time_point now) const;
    void noteLineSettings();
    void readInput(Clock::time_point now);
    void handle(const std::vector<Event>& events, Clock::time_point now);
    void answer(const Event& request, Clock::time_point now);
    void pump(Clock::time_point now);
    void dropLine(const Outgoing& o, Clock::time_point now);
    void vanish(Clock::time_point now);
    void reopenLine(Clock::time_point now);
    void wake();
    static Clock::time_point dueTime(const Outgoing& o, int byte);

    Options m_options;
    Log m_log;
    PseudoTerminal m_pty;
    DeviceLink m_link;

    mutable std::mutex m_mutex; // guards everything below
    Processor m_engine;
    Settings m_settings;
    QString m_device;
    std::optional<lnk::LineSettings> m_lineSettings; // as last logged; nothing for a new device
    std::deque<Outgoing> m_queue;
    Clock::time_point m_reopenAt;
    bool m_dropRequested = false;
    std::condition_variable m_dropDone;

    std::thread m_thread;
    std::atomic<bool> m_stopping = false;
    int m_wakeFd = -1;
};

} // namespace sim
