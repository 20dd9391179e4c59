#pragma once

#include "model/ParameterSet.h"
#include "storage/ParameterFile.h"

// The working file the panel finds at start in the file stress tests: a panel with every
// slider away from its initial value, so that a file written over it would show.
namespace stress {

inline QByteArray oldWorkingFile()
{
    model::ParameterSet set;
    set.setFlag(model::Member::AutoDensity, false);
    for (const model::MemberInfo& i : model::members()) {
        if (model::isSlider(i.member)) {
            set.assign(i.member, (model::index(i.member) * 5 + 17) % 256);
        }
    }
    set.setFlag(model::Member::Space, true);
    return storage::formatParameterFile(set);
}

// The slider the probe moves after start, and where to.
inline constexpr model::Member kMoved = model::Member::gate;
inline constexpr int kMovedTo = 99;

} // namespace stress
