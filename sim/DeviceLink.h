#pragma once

#include <QString>

// A symbolic link to the simulator's device under a stable name (e.g. a program folder's
// ports/COM1), with the owner file that marks it as this simulator's (see link/LinkOwner.h).
//
// Only one simulator at a time owns a name: it holds a lock on the owner file for as long as
// it runs, which the system lifts when it ends, however it ends; that lock, not the process id
// in the file, is what tells a panel the link is live. A panel's probe holds the lock for an
// instant, so a claim waits up to a second for it. A name whose owner still runs is refused; the
// link and owner file of a simulator that was killed are replaced. Only a link into /dev/pts/
// counts as a simulator's: anything else at the name is refused.
namespace sim {

class DeviceLink
{
public:
    explicit DeviceLink(QString path = {}) : m_path(std::move(path)) {}
    ~DeviceLink() { release(); }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    QString path() const { return m_path; }

    // Makes the name this simulator's, creating the parent folder if needed; false with a
    // reason when another simulator that still runs owns it, or something that is not a
    // simulator's link is there. Nothing to do without a path or when the name is ours.
    bool claim(QString* error);
    // Points the link at the device, claiming the name first if needed.
    bool create(const QString& device, QString* error);
    // Removes the link if it still points at the device it was created for; the name stays
    // ours, as while a dropped line is away.
    void remove();
    // Removes the link and the owner file: the name is free again.
    void release();

private:
    QString m_path;
    QString m_target;   // the device while the link is ours
    int m_ownerFd = -1; // the locked owner file while the name is ours
};

} // namespace sim
