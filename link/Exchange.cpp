#include "link/Exchange.h"

#include "link/LineSettings.h"

#include <algorithm>

namespace lnk {
namespace {

void report(const ExchangeHooks& hooks, int value)
{
    if (hooks.progress) {
        hooks.progress(value);
    }
}

bool start(SerialLine& line, int portNo, const LineSettings& settings)
{
    line.setPort(portNo);
    line.setSettings(settings.text());
    return line.open();
}

ExchangeResult failed(const SerialLine& line, ExchangeStatus status)
{
    ExchangeResult r;
    r.status = status;
    r.fault = line.fault();
    r.detail = line.lastError();
    return r;
}

// A failure after open: the port still closes, whatever the line says about it.
ExchangeResult abandon(SerialLine& line)
{
    ExchangeResult r = failed(line, ExchangeStatus::LineFailed);
    line.close();
    return r;
}

// Sending exchanges close right after the last write; the close itself sends what is queued.
ExchangeResult finish(SerialLine& line)
{
    if (!line.close()) {
        return failed(line, ExchangeStatus::LineFailed);
    }
    return {};
}

} // namespace

ExchangeResult sendBlock(SerialLine& line, int portNo, Block block, const model::ParameterSet& set,
                         const ExchangeHooks& hooks)
{
    if (!start(line, portNo, kSendSettings)) {
        return failed(line, ExchangeStatus::OpenFailed);
    }
    for (int offset = 0; offset < frameSize(block); ++offset) {
        if (!line.writeByte(frameByte(block, offset, set))) {
            return abandon(line);
        }
        if (const std::optional<int> p = frameProgressAfter(block, offset)) {
            report(hooks, *p);
        }
    }
    return finish(line);
}

ExchangeResult sendCommand(SerialLine& line, int portNo, quint8 byte, const ExchangeHooks& hooks)
{
    report(hooks, 23);
    if (!start(line, portNo, kSendSettings)) {
        return failed(line, ExchangeStatus::OpenFailed);
    }
    if (!line.writeByte(byte)) {
        return abandon(line);
    }
    report(hooks, 0);
    return finish(line);
}

ExchangeResult uploadBlock(SerialLine& line, int portNo, Block block,
                           std::chrono::milliseconds wait, model::ParameterSet& set,
                           const ExchangeHooks& hooks)
{
    if (!start(line, portNo, kUploadSettings)) {
        return failed(line, ExchangeStatus::OpenFailed);
    }
    if (!line.writeByte(kUploadRequest)) {
        return abandon(line);
    }
    const auto waitStarted = std::chrono::steady_clock::now();
    const int first = line.waitForBytes(replySize(block), wait, hooks.idle);
    if (first < 0) {
        return abandon(line);
    }
    // A day reply is decided once 42 wait: more is cut to 42. A night reply must be exactly 25,
    // but on a paced line the count passes 25 on its way to 26 or more (extra bytes after the
    // reply, garbage before it), so the reply is taken only if no further byte follows soon.
    if (block == Block::Night && first == replySize(block)) {
        const auto used = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - waitStarted);
        const auto settle = std::clamp(wait - used, std::chrono::milliseconds{0}, kNightSettle);
        if (line.waitForBytes(replySize(block) + 1, settle, hooks.idle) < 0) {
            return abandon(line);
        }
    }
    // Both reads always happen, so the receive buffer is emptied even for a short reply.
    const int count = line.bytesWaiting();
    const QByteArray data = line.readAllWaiting();
    if (count < 0 || line.fault() != LineFault::None) {
        return abandon(line);
    }
    if (!line.close()) {
        return failed(line, ExchangeStatus::LineFailed);
    }

    const bool complete =
        block == Block::Day ? count >= replySize(block) : count == replySize(block);
    if (!complete || data.size() < replySize(block)) {
        ExchangeResult r;
        r.status = ExchangeStatus::ReplyRefused;
        r.replyCount = count;
        return r;
    }
    applyReply(block, data.left(replySize(block)), set, hooks.progress);
    ExchangeResult r;
    r.replyCount = count;
    return r;
}

} // namespace lnk
