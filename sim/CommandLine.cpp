#include "sim/CommandLine.h"

#include "link/Commands.h"
#include "sim/Describe.h"

#include <QCommandLineParser>

namespace sim {
namespace {

// Bounds that keep a typing slip from costing a gigabyte or a day: far above any reply the
// panel reads (42 bytes) and any wait it makes (800 ms).
constexpr int kMaxFaultBytes = 4096;
constexpr int kMaxReactionMs = 10000;

constexpr char kUsage[] = R"(Usage: orvexdab-sim [options]

Plays the audio processor on a pseudo-terminal, so that the panel (or any serial client)
talks to it through the system's serial layer. The first line of standard output is the
device path of the serial end, e.g. /dev/pts/4; open it as a serial port at any speed.
SIGINT, SIGTERM and SIGHUP end the simulator cleanly (the --link link is removed).

Options:
  --link PATH         Also make PATH a symbolic link to the device, e.g. the panel's
                      <program folder>/ports/COM1 for port 1. The folder is created if
                      needed. Beside it PATH.owner holds the simulator's process id and
                      marks the link as its own: the panel takes a link whose owner no
                      longer runs for a missing port. A PATH whose owner still runs is
                      refused; a link into /dev/pts/ whose owner is gone (or that has no
                      owner file) is replaced; anything else at PATH is refused. Both are
                      removed on exit.
  --log FILE          Write the log to FILE (created anew) instead of standard output.
  --reply day|night   Answer every upload request with this reply layout, whatever
                      preset is active.
  --reaction MS       Time from the upload request to the start of the first reply byte
                      (default 20, at most %3). The panel reads the day reply 800 ms
                      after its request, so from 450 on the day reply is not complete by
                      then.

Faults to inject (for trying the panel's error handling; each N at most %2):
  --no-reply          Never answer the upload request.
  --ignore-frames     Log complete frames and drop them: the values stay as they were.
  --reply-length N    Send N reply bytes instead of the right number: the reply is cut,
                      or padded with zero bytes.
  --extra-bytes N     Send N extra bytes (0x5A) after each reply.
  --garbage N         Send N garbage bytes (0xA5) before each reply.
  --drop-after N      Drop the line after N bytes of an answer (garbage and extra bytes
                      count): the device vanishes, as an unplugged adapter does, and the
                      client sees a hang-up. A new device appears a second later, with the
                      --link link pointing to it.

  -h, --help          Show this text.

Exit status: 0 after SIGINT, SIGTERM or SIGHUP; 1 when the simulator cannot start (no
pseudo-terminal, the log cannot be written, PATH refused, e.g. because another simulator
runs there); 2 for wrong options.

The processor:
  Frames. The header byte 126 starts a frame. The frame ends at its 42nd byte (a day
  frame: 126 and 41 bytes), or at the first pause of 100 ms: a pause after exactly 33
  bytes ends a night frame (126 and 32 bytes), a pause after any other count ends an
  incomplete frame, which is logged with its bytes and dropped. Inside a frame every byte
  is data, 126, 226 and command bytes included; so a byte sent within 100 ms after a night
  frame is taken as part of that frame.
  A day frame sets the current parameters; a night frame sets the night parameters.
  Commands, one byte each outside a frame:
%1  Upload request 226: answered with the 42-byte day reply, built from the current
  parameters, while the day preset is active; with the 25-byte night reply, built from the
  night parameters, while the night preset is active. Flags go out as 255 or 0.
  Any other byte outside a frame is logged as unknown and ignored.
  Pace: each reply byte takes 10 bit times at 1200 bit/s (8.33 ms); a day reply is on the
  line 350 ms after the reaction time, a night reply 208 ms.
  At start the processor holds the panel's initial values everywhere (current, night,
  day and night presets, user presets 1 to 4), the day preset is active, the test tone is
  off and the day/night switch is disabled. Nothing is kept between runs.

Log: one line per event, starting with the time (hh:mm:ss.zzz):
  line settings: 1200 bit/s, 8 data bits, no parity, 2 stop bits
      the settings of the device, at start and whenever a client changes them; seen
      whenever bytes arrive (and logged before them) and at least every 250 ms. Linux
      pseudo-terminals always hold 8 data bits and no parity, whatever a client sets.
  day frame: gate=1 ranges=255 ... Space=off Digin=off Daynight=off chkTurbo=0 ...
             | changed: gate 8->1
      every parameter of the frame by name, in frame order; flags as on/off; a flag byte
      other than 255/0 or a check box byte above 2 is shown as (byte N), a constant byte
      that is not 0 as byteK=N(should be 0); then what the frame changed.
  night frame: ...                          the same for a night frame
  command 100 Testtone: test tone on        a command and what it did
  request 226: sent day reply (42 bytes) in 371 ms
                                            a reply, timed from the request to its last
                                            byte; faults are named in the line
  incomplete frame (17 bytes) dropped: 7E 01 ...
  unknown byte 5 (0x05) ignored
  request 226: line dropped after ...       the --drop-after fault, then
  line back on device /dev/pts/N            when the new device is there
)";

bool readCount(const QCommandLineParser& p, const QString& name, int maximum, const char* unit,
               int& target, QString& error)
{
    if (!p.isSet(name)) {
        return true;
    }
    bool ok = false;
    // Read wide, so that a number too big for an int is called too big, not a non-number.
    const qlonglong v = p.value(name).toLongLong(&ok);
    if (!ok || v < 0) {
        error = QStringLiteral("--%1 needs a whole number of 0 or more, not \"%2\"")
                    .arg(name, p.value(name));
        return false;
    }
    if (v > maximum) {
        error = QStringLiteral("--%1 takes at most %2 %3, not %4")
                    .arg(name)
                    .arg(maximum)
                    .arg(QLatin1String(unit))
                    .arg(p.value(name));
        return false;
    }
    target = static_cast<int>(v);
    return true;
}

} // namespace

QString helpText()
{
    QString commands;
    for (const lnk::CommandInfo& i : lnk::commands()) {
        commands +=
            QStringLiteral("    %1 %2 %3\n")
                .arg(static_cast<int>(i.byte), 3)
                .arg(QString::fromLatin1(i.name.data(), static_cast<qsizetype>(i.name.size())), -10)
                .arg(commandEffect(i.command));
    }
    return QString::fromLatin1(kUsage).arg(commands, QString::number(kMaxFaultBytes),
                                           QString::number(kMaxReactionMs));
}

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, {}},
        {QStringLiteral("link"), {}, QStringLiteral("PATH")},
        {QStringLiteral("log"), {}, QStringLiteral("FILE")},
        {QStringLiteral("reply"), {}, QStringLiteral("LAYOUT")},
        {QStringLiteral("reaction"), {}, QStringLiteral("MS")},
        {QStringLiteral("no-reply"), {}},
        {QStringLiteral("ignore-frames"), {}},
        {QStringLiteral("reply-length"), {}, QStringLiteral("N")},
        {QStringLiteral("extra-bytes"), {}, QStringLiteral("N")},
        {QStringLiteral("garbage"), {}, QStringLiteral("N")},
        {QStringLiteral("drop-after"), {}, QStringLiteral("N")},
    });
    CommandLine c;
    if (!p.parse(arguments)) {
        c.error = p.errorText();
        return c;
    }
    if (!p.positionalArguments().isEmpty()) {
        c.error = QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first());
        return c;
    }
    c.help = p.isSet(QStringLiteral("help"));
    Options& o = c.options;
    Settings& s = o.settings;
    o.linkPath = p.value(QStringLiteral("link"));
    o.logFile = p.value(QStringLiteral("log"));
    if (p.isSet(QStringLiteral("reply"))) {
        const QString layout = p.value(QStringLiteral("reply"));
        if (layout == QLatin1String("day")) {
            s.replyLayout = lnk::Layout::Day;
        } else if (layout == QLatin1String("night")) {
            s.replyLayout = lnk::Layout::Night;
        } else {
            c.error = QStringLiteral("--reply takes day or night, not \"%1\"").arg(layout);
            return c;
        }
    }
    int reaction = static_cast<int>(s.reaction.count());
    s.noReply = p.isSet(QStringLiteral("no-reply"));
    s.ignoreFrames = p.isSet(QStringLiteral("ignore-frames"));
    constexpr char ms[] = "ms";
    constexpr char bytes[] = "bytes";
    if (!readCount(p, QStringLiteral("reaction"), kMaxReactionMs, ms, reaction, c.error) ||
        !readCount(p, QStringLiteral("reply-length"), kMaxFaultBytes, bytes, s.replyLength,
                   c.error) ||
        !readCount(p, QStringLiteral("extra-bytes"), kMaxFaultBytes, bytes, s.extraBytes,
                   c.error) ||
        !readCount(p, QStringLiteral("garbage"), kMaxFaultBytes, bytes, s.garbageBytes, c.error) ||
        !readCount(p, QStringLiteral("drop-after"), kMaxFaultBytes, bytes, s.dropAfter, c.error)) {
        return c;
    }
    s.reaction = std::chrono::milliseconds(reaction);
    return c;
}

} // namespace sim
