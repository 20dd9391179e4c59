#include "sim/Settings.h"

#include "sim/Describe.h"

namespace sim {

Answer composeAnswer(lnk::Layout layout, const QByteArray& reply, const Settings& settings)
{
    QByteArray body = reply;
    QString description =
        QStringLiteral("%1 reply (%2 bytes)").arg(blockName(layout)).arg(reply.size());
    if (settings.replyLength >= 0 && settings.replyLength != reply.size()) {
        const bool cut = settings.replyLength < reply.size();
        body.resize(settings.replyLength, static_cast<char>(kPaddingByte));
        description = QStringLiteral("%1 reply %2 to %3 bytes (should be %4)")
                          .arg(blockName(layout), cut ? QStringLiteral("cut") : "padded")
                          .arg(settings.replyLength)
                          .arg(reply.size());
    }
    QByteArray bytes(qMax(0, settings.garbageBytes), static_cast<char>(kGarbageByte));
    bytes += body;
    bytes += QByteArray(qMax(0, settings.extraBytes), static_cast<char>(kExtraByte));
    if (settings.garbageBytes > 0) {
        description += QStringLiteral(" after %1 garbage bytes").arg(settings.garbageBytes);
    }
    if (settings.extraBytes > 0) {
        description += QStringLiteral(" followed by %1 extra bytes").arg(settings.extraBytes);
    }
    return {bytes, description};
}

} // namespace sim
