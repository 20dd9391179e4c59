#pragma once

#include <QString>

// A pseudo-terminal whose serial end a client opens as if it were a serial port.
// The simulator keeps the serial end open itself as well: without that, the master reports
// a hang-up (and reads fail with EIO) whenever no client has the device open, and a client
// that closes and re-opens the device would find the line torn down.
namespace sim {

class PseudoTerminal
{
public:
    PseudoTerminal() = default;
    ~PseudoTerminal() { close(); }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens a new pair in raw mode; false with a reason when the system refuses.
    bool open(QString* error);
    // Closes both ends: the device node vanishes and a client sees a hang-up.
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    // Path of the serial end, e.g. /dev/pts/4; empty when closed.
    QString devicePath() const { return m_device; }

    // Readable when a client has closed the serial end; -1 when the system cannot tell.
    int closeWatchFd() const { return m_closeWatch; }
    // Takes the close notices and ends exclusive use of the device.
    void clientClosed();

private:
    int m_master = -1;
    int m_guard = -1; // our own descriptor of the serial end
    int m_closeWatch = -1;
    QString m_device;
};

} // namespace sim
