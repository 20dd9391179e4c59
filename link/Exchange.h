#pragma once

#include "link/Commands.h"
#include "link/ExchangeKinds.h"
#include "link/Frames.h"
#include "link/Line.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

// The exchanges with the processor. Each is one open-write(-read)-close use of a line, in a fixed
// order: open with the exchange's line settings (the only step whose failure means "nothing was
// written"), the writes, for uploads the wait and the read, then close, which returns only once
// every byte has left on the line. A failure after open closes the port too, so every exchange
// leaves it closed. Nothing here blocks: each step waits for the line's signal or a timer.
namespace lnk {

using namespace std::chrono_literals;

// The day upload key gives the processor this long to answer.
inline constexpr std::chrono::milliseconds kDayUploadWait = 800ms;
// The night upload gives the processor this long to answer.
inline constexpr std::chrono::milliseconds kNightUploadWait = 2000ms;
// Once 25 bytes wait, the night upload listens this much longer for a 26th: three byte times
// at 1200 bit/s (10 bits a byte). Still inside the wait.
inline constexpr std::chrono::milliseconds kNightSettle = 25ms;
// An upload that takes the reply by its length calls 25 bytes a night reply only once no further
// byte has come for this long and the day upload's whole wait (kDayUploadWait) has passed since
// the request: a day reply runs on at a byte each 8.3 ms, but adapters and serial servers hand
// bytes on in bursts, with pauses of a few hundred ms between them.
inline constexpr std::chrono::milliseconds kAnyLayoutSettle = 100ms;
// Before an upload's request goes out the line must have been quiet this long: three byte times
// at 1200 bit/s. A reply still arriving from an earlier, interrupted exchange (or a line that
// chatters) would otherwise be read as the answer, shifted.
inline constexpr std::chrono::milliseconds kQuietBeforeRequest = 25ms;
// A line that does not go quiet within this long fails the upload; nothing is written.
inline constexpr std::chrono::milliseconds kQuietLimit = 1000ms;
// No step of an exchange waits longer than this for its line: a line that never answers must not
// hold the panel.
inline constexpr std::chrono::milliseconds kStepLimit = 15s;

enum class ExchangeStatus
{
    Done,
    OpenFailed,   // nothing written, port closed
    LineFailed,   // the line failed after open; port closed, nothing applied
    ReplyRefused, // the reply had the wrong length; port closed, nothing applied
    LineNotQuiet, // uploads: bytes kept arriving before the request; nothing written
};

struct ExchangeRequest
{
    ExchangeKind kind = ExchangeKind::SendDay;
    std::optional<Command> command;
    QByteArray bytes; // what goes out: the frame, the command byte or the request byte
    LineSettings settings = kSendSettings;
    std::chrono::milliseconds replyWait{0}; // uploads: how long the processor may take
    // Uploads: a reply is taken only at exactly its layout's length (the reply has no checksum:
    // its length is its only check). Otherwise 42 or more bytes are a day reply, cut to 42.
    bool exactLength = false;
};

// The frame as the set holds it now: one consistent picture of the panel.
ExchangeRequest sendRequest(Layout block, const model::ParameterSet& set);
ExchangeRequest commandRequest(Command command);
// layout nullopt: the reply is taken by its length.
ExchangeRequest uploadRequest(std::optional<Layout> layout, std::chrono::milliseconds wait,
                              bool exactLength = false);

struct ExchangeResult
{
    ExchangeKind kind = ExchangeKind::SendDay;
    std::optional<Command> command;
    ExchangeStatus status = ExchangeStatus::Done;
    LineFault fault = LineFault::None; // what the line reported, for OpenFailed / LineFailed
    QString detail;                    // the line's description of it
    QString port;                      // the port asked for: "COM3", or its address
    QString target;                    // what the line reached
    QByteArray sent;                   // every byte handed to the line
    QByteArray received;               // uploads: every byte read, a refused reply included
    QByteArray dropped;                // uploads: bytes read and dropped before the request
    bool exactLength = false;          // uploads: the request's length rule
    int replyCount = -1;               // uploads: the count of bytes waiting when it was taken
    std::optional<Layout> layout;      // accepted uploads: the layout of the reply
    QDateTime startedAt;
    std::chrono::milliseconds duration{0};
    // Uploads: when the request byte had left the line. The reply comes after it, so the next
    // frame's gap counts from here, not from the reply's end.
    std::optional<std::chrono::steady_clock::time_point> requestLeft;

    bool ok() const { return status == ExchangeStatus::Done; }
    // Accepted uploads: the reply cut to its layout's length.
    QByteArray reply() const;
};

class Exchange : public QObject
{
    Q_OBJECT

public:
    Exchange(Line& line, ExchangeRequest request, QObject* parent = nullptr);

    const ExchangeRequest& request() const { return m_request; }
    void start();

Q_SIGNALS:
    void progress(int value);
    void finished(const lnk::ExchangeResult& result);

private:
    enum class Stage
    {
        Idle,
        Opening,
        Quieting,
        Writing,
        Waiting,
        Closing,
        Done,
    };

    bool isUpload() const;
    void enter(Stage stage);
    void onOpened();
    void onOpenFailed(LineFault fault, const QString& detail);
    void onReceived();
    void onFailed(LineFault fault, const QString& detail);
    void onClosed(LineFault fault, const QString& detail);
    void onStepLimit();
    void dropInput();
    void onQuiet();
    void onNeverQuiet();
    void writeAll();
    void startSettle(std::chrono::milliseconds settle);
    void takeReply();
    void judgeReply();
    void finish(ExchangeStatus status, LineFault fault = LineFault::None,
                const QString& detail = {});

    Line& m_line;
    ExchangeRequest m_request;
    ExchangeResult m_result;
    Stage m_stage = Stage::Idle;
    QTimer m_replyDeadline;
    QTimer m_settle;
    QTimer m_stepLimit;
    QTimer m_quiet;
    QTimer m_quietLimit;
    std::chrono::steady_clock::time_point m_startClock;
    std::chrono::steady_clock::time_point m_waitStart;
    qint64 m_settleCount = -1; // the count the settle timer was started for
};

} // namespace lnk
