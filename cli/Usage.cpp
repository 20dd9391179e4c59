#include "cli/Usage.h"

#include "cli/Synopses.h"

namespace cli {
namespace {

constexpr char kUsage[] =
    R"usage(Usage: @program@ COMMAND [ARGS]

Talks to Orvex DAB+ processors as the OrvexDAB Setup panel does, from scripts, without a
window. With several ports the command runs on up to --parallel of them at once, each port in
its own exchange, and prints one result line per port, in the order the ports were given.

Commands:
  send FILE            Send the day frame of a parameter file (as "Send data to Orvex").
  send-night FILE      Send the night frame of a parameter file.
  upload [--day|--night] [--base FILE] --output PATH
                       Request the processor's values (byte 226) and write the reply,
                       applied onto the base file (default: the panel's initial values),
                       as a parameter file, all at once. Without --day or --night the
                       reply is taken by its length: 42 or more bytes the day layout,
                       exactly 25 the night layout (the processor answers with its
                       active preset); --day or --night applies that upload's rule.
                       With several ports PATH must contain {port}, which becomes the
                       port as part of a file name: COM3, ttyUSB0, 192.0.2.10-4001.
  compare FILE         Upload and list each value that differs from the file's:
                       "name: file X, processor Y".
  command NAME         Send one command byte. NAME is one of: testtone stoptone saveday
                       savenight setday setnight switchon switchoff save1 save2 save3
                       save4 recall1 recall2 recall3 recall4.
  ports                List the port numbers that reach something, what each reaches
                       (map: ports.ini, link: ports/COM<n>, system: the system's port)
                       and a description; then the system's serial devices that no
                       number reaches ("-"), which can be given by their path.

Fleet commands (named sites, each with its port, kept in the data folder's store):
  @site add@
  @site set@
  @site remove@   The history stays unless --purge.
  @site list@            Each site with port, group, last backup, state, drift, and
                       where its local port is (HOST:DATADIR for a number, HOST for
                       a device path); another place neither backs it up nor
                       restores it ("NAME: port 3 is local to HOST:DATADIR").
  @backup@
                       Upload the sites at once; a new version where values changed:
                       "NAME: new, version 1", "NAME: unchanged", "NAME: changed,
                       version 4 (3 differences)", "NAME: failed: MESSAGE".
  @history@         One line a version.
  @diff@    A, B: a version number, "reference" or "live" (an upload now);
                       default the version before the latest and the latest.
  @export@
  @approve@       The version (default the latest) becomes the reference.
  @approve --sound@
                       SOURCE's values become each site's reference (a parameter
                       file, SITE:VERSION or SITE:reference); the processors are not
                       touched.
  @unapprove@
  @drift@
                       The latest versions (--live: the processors now) against the
                       references.
  @restore@
                       Send a version and read it back; off a terminal only with --yes.
  @deploy@
                       Send SOURCE to the sites and read each one back: "NAME:
                       verified, version 5", "NAME: sent, not verified (3
                       differences)", "NAME: failed: MESSAGE", "NAME: not sent
                       (stopped after west)". The --canary sites (default 1) go one
                       at a time first; one not verified stops the run, and so does
                       any other site unless --continue. Off a terminal only with
                       --yes.
  @deploy --revert@
                       Send every site that run reached its version from before it.
  @deploys@              The runs, newest first, one line each beginning with its id.
  @check@
                       A monitoring plugin line from the store alone; exit 0 to 3.

Options:
  --port PORT          A port number 0..255, reached as the panel reaches it from its
                       data folder (ports.ini entry, ports/COM<n> link, system port); a
                       device path (/dev/ttyUSB0); or tcp://HOST:PORT or
                       rfc2217://HOST:PORT. Repeat for several ports.
  --ports-file FILE    One PORT a line; blank lines and # comments are skipped.
                       Without any port the command uses the panel's port (ORVEXFM.INI).
  --parallel N         Ports (and for backup and drift --live, sites) talked to at once;
                       default 64. Each site has 30 s for its attempt, retries included.
  --json               One JSON object a line and port: port, command, ok, error, layout,
                       differences (name, file, processor), output. A usage error is
                       also printed as {"ok":false,"error":...}.
  --data-dir DIR       The data folder: its ORVEXFM.INI, ports.ini, ports/ links and
                       line.log. Default: the panel's, the program's folder when it is
                       writable, otherwise the per-user data folder. Created when missing
                       (except by ports, which writes nothing there).
  --store URL          The fleet store: sqlite:PATH or postgresql://[USER@]HOST[:PORT]/DB
                       (default: [store] url= of fleet.ini, else fleet.sqlite, in the
                       data folder).
  -h, --help           Show this text; after a command, that command's options.
  --version            Show the version.

Options may come before the command or after it. Messages are the panel's, followed by what
the line reported in brackets. Progress goes to standard error when it is a terminal. Every
file, port and output path is checked before a byte is sent: an output folder that is
missing or cannot be written, or a path that holds a folder, a device or a FIFO, is a usage
error.

Exit status: 0 when every port succeeded (and compare found no difference); 1 when an
exchange failed (a missing port or one that cannot be opened included), an output file
could not be written after all, or compare found differences; 2 for a usage error, a file
that cannot be read or is malformed, an output path that cannot take a file, or a port that
does not parse. The fleet commands: 0 done (changes found included); 1 a site failed,
drift or no reference found, a restore not verified, a deploy site not verified or not sent;
2 as above, an unknown site or version included, and a deploy refused before anything was
sent; check: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.
)usage";

} // namespace

QString usageText()
{
    // The synopses are stated once, and the man page takes them from the same table.
    return withSynopses(QString::fromUtf8(kUsage), false);
}

} // namespace cli
