#pragma once

#include "link/Frames.h"
#include "model/ParameterSet.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A processor's reply against a parameter file: which values differ.
namespace cli {

struct Difference
{
    model::Member member;
    int file = 0;
    int processor = 0;
};

// The members the reply's layout carries that a parameter file also holds (the day/night
// switch travels in the day reply but is kept in no file), in reply order. reply: an accepted
// reply of at least the layout's length.
QList<Difference> differences(lnk::Layout layout, const QByteArray& reply,
                              const model::ParameterSet& file);

// "gate: file 8, processor 9"
QString describe(const Difference& d);

} // namespace cli
