#pragma once

#include <QString>

// A symbolic link to the simulator's device under a stable name (e.g. a program folder's
// ports/COM1). Only links into /dev/pts/ count as the simulator's own: such a link left
// behind by a simulator that was killed is replaced, anything else at that path is refused.
namespace sim {

class DeviceLink
{
public:
    explicit DeviceLink(QString path = {}) : m_path(std::move(path)) {}
    ~DeviceLink() { remove(); }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    QString path() const { return m_path; }

    // Points the link at the device, creating the parent folder if needed.
    bool create(const QString& device, QString* error);
    // Removes the link if it still points at the device it was created for.
    void remove();

    // True when nothing is at the path, or only a simulator's link.
    static bool isFree(const QString& path);

private:
    QString m_path;
    QString m_target; // the device while the link is ours
};

} // namespace sim
