#include "link/LinkOwner.h"

#include "storage/SmallFile.h"

#include <algorithm>

namespace lnk {
namespace {

// Far more than any process id and its line end.
constexpr qint64 kOwnerFileLimit = 64;

} // namespace

QString ownerFilePath(const QString& linkPath)
{
    return linkPath + QStringLiteral(".owner");
}

QByteArray ownerFileContent(qint64 pid)
{
    return QByteArray::number(pid) + '\n';
}

std::optional<qint64> linkOwner(const QString& linkPath)
{
    const storage::FileResult<QByteArray> content =
        storage::readSmallFile(ownerFilePath(linkPath), kOwnerFileLimit);
    if (!content.ok()) {
        return std::nullopt;
    }
    const QByteArray text = content.value.trimmed();
    bool ok = false;
    const qint64 pid = text.toLongLong(&ok);
    // Digits only: a sign or nothing would make 0 or -1, which stand for process groups.
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
    if (!ok || !digits || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool ownerGone(const QString& linkPath)
{
    return probeOwnerLock(linkPath) == OwnerLock::Free;
}

} // namespace lnk
