#pragma once

#include "link/Frames.h"
#include "model/Members.h"
#include "model/ParameterSet.h"

#include <array>

// What the simulated processor holds. Plain values, so a snapshot can cross threads.
namespace sim {

using Values = model::ParameterSet::Values;

inline constexpr int kUserPresets = 4;

Values initialValues();
Values valuesOf(const model::ParameterSet& set);
// Writes every member as it stands; the bass density rule does not fire.
void loadValues(model::ParameterSet& set, const Values& values);

struct State
{
    Values current = initialValues(); // the last day frame, or the preset activated since
    Values night = initialValues();   // the last night frame
    Values dayPreset = initialValues();
    Values nightPreset = initialValues();
    std::array<Values, kUserPresets> user{initialValues(), initialValues(), initialValues(),
                                          initialValues()};
    lnk::Layout active = lnk::Layout::Day; // which stored preset runs
    bool testTone = false;
    bool switchEnabled = false; // day/night activation by the rear-panel switch

    bool operator==(const State&) const = default;
};

inline int valueOf(const Values& v, model::Member m)
{
    return v[model::index(m)];
}

} // namespace sim
