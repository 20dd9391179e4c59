#pragma once

#include "link/ByteMeaning.h"
#include "link/Commands.h"
#include "link/Frames.h"
#include "sim/State.h"

#include <QByteArray>
#include <QString>

// Log texts: what arrived on the line, by parameter name, so nobody needs a byte table.
namespace sim {

// "day frame: gate=8 ranges=248 ... Space=off ... | changed: gate 1->8"
// before/after are the values the frame replaced and the values it left.
QString describeFrame(lnk::Layout block, const QByteArray& frame, const Values& before,
                      const Values& after);

// What a command does to the processor, e.g. "test tone on".
QString commandEffect(lnk::Command command);

// "command 100 Testtone: test tone on"
QString describeCommand(lnk::Command command);

// "day" / "night"
QString blockName(lnk::Layout block);

} // namespace sim
