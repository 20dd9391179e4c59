#include "link/Exchange.h"

#include <algorithm>

namespace lnk {
namespace {

// A command shows the bar full from the start and empty once its byte is written.
constexpr int kProgressFull = 23;
constexpr int kProgressEmpty = 0;

std::chrono::milliseconds elapsedSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 t);
}

} // namespace

QByteArray ExchangeResult::reply() const
{
    return layout ? received.left(replySize(*layout)) : QByteArray();
}

ExchangeRequest sendRequest(Layout block, const model::ParameterSet& set)
{
    ExchangeRequest r;
    r.kind = block == Layout::Day ? ExchangeKind::SendDay : ExchangeKind::SendNight;
    r.bytes = encodeFrame(block, set);
    r.settings = kSendSettings;
    return r;
}

ExchangeRequest commandRequest(Command command)
{
    ExchangeRequest r;
    r.kind = ExchangeKind::Command;
    r.command = command;
    r.bytes = QByteArray(1, static_cast<char>(commandInfo(command).byte));
    r.settings = kSendSettings;
    return r;
}

ExchangeRequest uploadRequest(std::optional<Layout> layout, std::chrono::milliseconds wait,
                              bool exactLength)
{
    ExchangeRequest r;
    r.kind = !layout                  ? ExchangeKind::UploadByLength
             : *layout == Layout::Day ? ExchangeKind::UploadDay
                                      : ExchangeKind::UploadNight;
    r.bytes = QByteArray(1, static_cast<char>(kUploadRequest));
    r.settings = kUploadSettings;
    r.replyWait = std::max(wait, std::chrono::milliseconds{0});
    r.exactLength = exactLength;
    return r;
}

Exchange::Exchange(Line& line, ExchangeRequest request, QObject* parent)
    : QObject(parent), m_line(line), m_request(std::move(request))
{
    m_result.kind = m_request.kind;
    m_result.command = m_request.command;
    m_result.exactLength = m_request.exactLength;
    for (QTimer* t : {&m_replyDeadline, &m_settle, &m_stepLimit, &m_quiet, &m_quietLimit}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_replyDeadline, &QTimer::timeout, this, &Exchange::takeReply);
    connect(&m_settle, &QTimer::timeout, this, &Exchange::takeReply);
    connect(&m_stepLimit, &QTimer::timeout, this, &Exchange::onStepLimit);
    connect(&m_quiet, &QTimer::timeout, this, &Exchange::onQuiet);
    connect(&m_quietLimit, &QTimer::timeout, this, &Exchange::onNeverQuiet);
}

bool Exchange::isUpload() const
{
    return m_request.kind == ExchangeKind::UploadDay ||
           m_request.kind == ExchangeKind::UploadNight ||
           m_request.kind == ExchangeKind::UploadByLength;
}

void Exchange::start()
{
    if (m_stage != Stage::Idle) {
        return;
    }
    m_startClock = std::chrono::steady_clock::now();
    m_result.startedAt = QDateTime::currentDateTime();
    m_result.target = m_line.target();
    connect(&m_line, &Line::opened, this, &Exchange::onOpened);
    connect(&m_line, &Line::openFailed, this, &Exchange::onOpenFailed);
    connect(&m_line, &Line::received, this, &Exchange::onReceived);
    connect(&m_line, &Line::failed, this, &Exchange::onFailed);
    connect(&m_line, &Line::closed, this, &Exchange::onClosed);
    if (m_request.kind == ExchangeKind::Command) {
        Q_EMIT progress(kProgressFull);
    }
    enter(Stage::Opening);
    m_line.open(m_request.settings);
}

void Exchange::enter(Stage stage)
{
    m_stage = stage;
    if (stage == Stage::Done) {
        m_stepLimit.stop();
    } else {
        m_stepLimit.start(kStepLimit);
    }
}

void Exchange::onOpened()
{
    if (m_stage != Stage::Opening) {
        return;
    }
    if (isUpload()) {
        // Sends and commands go at once; a request waits for a quiet line.
        enter(Stage::Quieting);
        dropInput();
        m_quiet.start(kQuietBeforeRequest);
        m_quietLimit.start(kQuietLimit);
        return;
    }
    enter(Stage::Writing);
    writeAll();
}

void Exchange::dropInput()
{
    if (m_line.bytesAvailable() > 0) {
        m_result.dropped += m_line.readAll();
    }
}

void Exchange::onQuiet()
{
    if (m_stage != Stage::Quieting) {
        return;
    }
    m_quietLimit.stop();
    enter(Stage::Writing);
    writeAll();
}

void Exchange::onNeverQuiet()
{
    if (m_stage != Stage::Quieting) {
        return;
    }
    m_quiet.stop();
    dropInput();
    finish(ExchangeStatus::LineNotQuiet);
}

void Exchange::writeAll()
{
    const bool frame =
        m_request.kind == ExchangeKind::SendDay || m_request.kind == ExchangeKind::SendNight;
    const Layout block = m_request.kind == ExchangeKind::SendDay ? Layout::Day : Layout::Night;
    // One byte per write, as the frame is laid out; the bar follows at the frame's points.
    for (int offset = 0; offset < m_request.bytes.size(); ++offset) {
        const QByteArray byte = m_request.bytes.mid(offset, 1);
        m_line.write(byte);
        if (m_stage != Stage::Writing) {
            return; // the line failed under the write and has closed
        }
        m_result.sent += byte;
        if (frame) {
            if (const std::optional<int> p = frameProgressAfter(block, offset)) {
                Q_EMIT progress(*p);
            }
        }
    }
    if (m_request.kind == ExchangeKind::Command) {
        Q_EMIT progress(kProgressEmpty);
    }
    if (isUpload()) {
        enter(Stage::Waiting);
        m_waitStart = std::chrono::steady_clock::now();
        m_result.requestLeft = m_waitStart + m_request.settings.byteTime();
        m_replyDeadline.start(m_request.replyWait);
        onReceived();
        return;
    }
    enter(Stage::Closing);
    m_line.close();
}

void Exchange::onReceived()
{
    if (m_stage == Stage::Quieting) {
        dropInput();
        m_quiet.start(kQuietBeforeRequest);
        return;
    }
    if (m_stage != Stage::Waiting) {
        return;
    }
    const qint64 count = m_line.bytesAvailable();
    switch (m_request.kind) {
    case ExchangeKind::UploadDay:
        if (count >= kDayReplySize && !m_request.exactLength) {
            takeReply();
        } else if (count >= kDayReplySize) {
            // Exactly 42 is wanted: taken once no byte has followed for a while, so a longer
            // reply is refused whole, with every byte of it counted and read.
            m_settle.stop();
            startSettle(kNightSettle);
        }
        return;
    case ExchangeKind::UploadNight:
        // Exactly 25 is wanted, but on a paced line the count passes 25 on its way to 26 or more
        // (extra bytes after the reply, garbage before it): take it only if no byte follows soon.
        if (count > kNightReplySize) {
            takeReply();
        } else if (count == kNightReplySize) {
            startSettle(kNightSettle);
        }
        return;
    case ExchangeKind::UploadByLength:
        if (count >= kDayReplySize && !m_request.exactLength) {
            takeReply();
        } else if (count >= kDayReplySize) {
            m_settle.stop();
            startSettle(kNightSettle);
        } else if (count == kNightReplySize) {
            // A day reply may pause right after its 25th byte: night only once it stays quiet
            // and the time a day reply gets has gone by.
            if (m_settleCount != count) {
                m_settle.stop();
                const auto dayLeft = kDayUploadWait - elapsedSince(m_waitStart);
                startSettle(std::max(kAnyLayoutSettle, dayLeft));
            }
        } else {
            m_settle.stop(); // short of 25, or a day reply on its way
        }
        m_settleCount = count;
        return;
    default:
        return;
    }
}

void Exchange::startSettle(std::chrono::milliseconds settle)
{
    if (m_settle.isActive()) {
        return;
    }
    // The whole wait stays the bound: the settle never runs past it.
    const auto left = m_request.replyWait - elapsedSince(m_waitStart);
    m_settle.start(std::clamp(left, std::chrono::milliseconds{0}, settle));
}

void Exchange::takeReply()
{
    if (m_stage != Stage::Waiting) {
        return;
    }
    m_replyDeadline.stop();
    m_settle.stop();
    // Both reads always happen, so the receive buffer is emptied even for a short reply.
    m_result.replyCount = static_cast<int>(m_line.bytesAvailable());
    m_result.received = m_line.readAll();
    enter(Stage::Closing);
    m_line.close();
}

void Exchange::judgeReply()
{
    const int count = m_result.replyCount;
    const qsizetype got = m_result.received.size();
    const auto fits = [&](int size) {
        return m_request.exactLength ? count == size && got == size : count >= size && got >= size;
    };
    switch (m_request.kind) {
    case ExchangeKind::UploadDay:
        if (fits(kDayReplySize)) {
            m_result.layout = Layout::Day;
        }
        break;
    case ExchangeKind::UploadNight:
        if (count == kNightReplySize && got == kNightReplySize) {
            m_result.layout = Layout::Night;
        }
        break;
    case ExchangeKind::UploadByLength:
        if (fits(kDayReplySize)) {
            m_result.layout = Layout::Day;
        } else if (count == kNightReplySize && got == kNightReplySize) {
            m_result.layout = Layout::Night;
        }
        break;
    default:
        break;
    }
    finish(m_result.layout ? ExchangeStatus::Done : ExchangeStatus::ReplyRefused);
}

void Exchange::onOpenFailed(LineFault fault, const QString& detail)
{
    if (m_stage == Stage::Opening) {
        finish(ExchangeStatus::OpenFailed, fault, detail);
    }
}

void Exchange::onFailed(LineFault fault, const QString& detail)
{
    if (m_stage != Stage::Idle && m_stage != Stage::Done) {
        finish(ExchangeStatus::LineFailed, fault, detail);
    }
}

void Exchange::onClosed(LineFault fault, const QString& detail)
{
    if (m_stage != Stage::Closing) {
        return;
    }
    if (fault != LineFault::None) {
        finish(ExchangeStatus::LineFailed, fault, detail);
    } else if (isUpload()) {
        judgeReply();
    } else {
        finish(ExchangeStatus::Done);
    }
}

void Exchange::onStepLimit()
{
    const Stage stage = m_stage;
    m_line.abort();
    if (stage == Stage::Opening) {
        finish(ExchangeStatus::OpenFailed, LineFault::ConnectTimeout,
               QStringLiteral("The port did not open in time"));
    } else {
        finish(ExchangeStatus::LineFailed, LineFault::DrainTimeout,
               QStringLiteral("The line did not answer in time"));
    }
}

void Exchange::finish(ExchangeStatus status, LineFault fault, const QString& detail)
{
    if (m_stage == Stage::Done) {
        return;
    }
    enter(Stage::Done);
    m_replyDeadline.stop();
    m_settle.stop();
    m_quiet.stop();
    m_quietLimit.stop();
    m_line.disconnect(this);
    if (m_line.isOpen()) {
        m_line.abort();
    }
    m_result.status = status;
    m_result.fault = fault;
    m_result.detail = detail;
    m_result.duration = elapsedSince(m_startClock);
    Q_EMIT finished(m_result);
}

} // namespace lnk
