#pragma once

#include "sim/Simulator.h"

#include <QStringList>

// Options of orvexdab-sim and its --help text.
namespace sim {

struct CommandLine
{
    Options options;
    bool help = false;
    QString error; // non-empty when the arguments are wrong
};

// arguments[0] is the program name.
CommandLine parseCommandLine(const QStringList& arguments);

QString helpText();

} // namespace sim
