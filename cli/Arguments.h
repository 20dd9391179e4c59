#pragma once

#include "fleet/Check.h"
#include "link/Commands.h"
#include "link/Frames.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The command line of orvexdab-cli (its synopses in cli/Synopses.cpp), taken apart without
// looking at any file or port.
namespace cli {

enum class Verb
{
    Send,
    SendNight,
    Upload,
    Compare,
    Command,
    Ports,
    SiteAdd,
    SiteSet,
    SiteRemove,
    SiteList,
    Backup,
    History,
    Diff,
    Export,
    Approve,
    Unapprove,
    Drift,
    Restore,
    Deploy,
    Deploys,
    Check,
    Help,
    Version,
};

// The word a verb is typed as ("send-night"); for Command the command's own word.
QString verbWord(Verb verb, std::optional<lnk::Command> command = std::nullopt);

// "testtone" .. "recall4": the command table's names in lower case, any case accepted.
std::optional<lnk::Command> commandByWord(const QString& word);

// Every command name in lower case, separated by blanks.
QString commandWords();

// Where the ports come from, in the order given: a --port, or every line of a --ports-file.
struct PortSource
{
    QString text;
    bool isFile = false;
};

// What the fleet verbs take from the line. Texts stay as given; the verbs check them.
struct FleetArguments
{
    QStringList sites; // the NAME operands
    QString group;
    bool all = false;
    QString port;    // site add, site set
    QString newName; // site set
    bool groupGiven = false;
    bool purge = false;
    bool here = false; // site set: claim the local port for this place
    QString note;
    QString metrics;
    QString onChange;
    QString a; // diff
    QString b;
    std::optional<int> version;        // export, approve, restore
    QString output;                    // export
    QString base;                      // export
    std::optional<lnk::Layout> layout; // unapprove: nothing for both
    bool live = false;
    bool yes = false;
    bool save = false;
    // deploy; approve --sound
    QString source;               // SOURCE as given: a file, SITE:VERSION or SITE:reference
    bool night = false;           // the night frame (deploy), the night reference (approve)
    std::optional<qint64> revert; // deploy --revert ID
    int canaries = 1;
    bool continueAfterFailure = false;
    bool acceptOtherBlock = false;
    bool approveVerified = false; // deploy --approve
    double warningHours = fleet::kDefaultWarningHours;
    double criticalHours = fleet::kDefaultCriticalHours;
};

// Whether the verb works on the fleet store, and whether it only reads it (then a missing
// store is said to be missing and nothing is created, not even the data folder).
bool isFleetVerb(Verb verb);
bool onlyReadsStore(Verb verb);

// Whether the verb talks to many processors at once, so that --parallel applies.
bool runsInParallel(Verb verb);

// The most --parallel accepts.
inline constexpr int kMostParallel = 4096;

struct Invocation
{
    Verb verb = Verb::Help;
    QString helpText; // Help: one verb's help; empty for the whole usage
    std::optional<lnk::Command> command;
    QList<PortSource> ports;
    bool json = false;
    QString dataDir;                   // empty: the panel's data folder
    QString file;                      // send, send-night, compare
    std::optional<lnk::Layout> layout; // upload: nothing takes the reply by its length
    QString base;                      // upload: empty for the panel's initial values
    QString output;                    // upload
    QString store;                     // --store URL; empty: the data folder's
    std::optional<int> parallel;       // --parallel N: sites or ports at once
    FleetArguments fleet;
};

struct ParsedArguments
{
    // With an error, the verb is still the one chosen when the line got that far (check
    // reports its own usage errors its own way).
    Invocation invocation;
    QString error; // a usage error, said in words; empty when the line is usable
};

// arguments without the program name.
ParsedArguments parseArguments(const QStringList& arguments);

// Whether the line asks for JSON, read from the words alone: a line that does not parse still
// reports its usage error as JSON when it asked for it.
bool asksForJson(const QStringList& arguments);

} // namespace cli
