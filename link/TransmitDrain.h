#pragma once

#include "link/Line.h"

#include <QObject>

#include <atomic>
#include <thread>

// The last step before a serial port closes: wait until the system's transmit queue has put every
// byte on the line. Closing earlier can cut a frame short: on Windows close cancels what is in
// flight, elsewhere the old line settings come back under bytes still queued.
//
// The system call that waits (tcdrain, FlushFileBuffers) has no time limit and may take the whole
// line time of a frame on a real UART, so it runs on a thread of its own; finished() arrives on
// the event loop. cancel() discards what is still queued, which ends the wait at once.
namespace lnk {

class TransmitDrain : public QObject
{
    Q_OBJECT

public:
    // handle: the port's native handle (a file descriptor, or a HANDLE on Windows).
    explicit TransmitDrain(qintptr handle, QObject* parent = nullptr);
    ~TransmitDrain() override;

    void start();
    // Throws away the bytes still queued and waits for the drain thread to return.
    void cancel();
    bool isRunning() const { return m_thread.joinable(); }

Q_SIGNALS:
    // fault None: the queue is empty and the last byte has left.
    void finished(lnk::LineFault fault, const QString& detail);

private:
    void join();

    qintptr m_handle;
    std::thread m_thread;
    std::atomic<bool> m_cancelled = false;
};

// The platform's part: blocks until the queue is empty. Returns the fault and its description.
struct DrainOutcome
{
    LineFault fault = LineFault::None;
    QString detail;
};
DrainOutcome waitTransmitQueueEmpty(qintptr handle);
// Discards whatever is still queued for sending; wakes a waiting waitTransmitQueueEmpty.
void discardTransmitQueue(qintptr handle);

} // namespace lnk
