#include "sim/State.h"

namespace sim {

Values initialValues()
{
    Values v{};
    for (const model::MemberInfo& i : model::members()) {
        v[model::index(i.member)] = i.initial;
    }
    return v;
}

Values valuesOf(const model::ParameterSet& set)
{
    return set.values();
}

void loadValues(model::ParameterSet& set, const Values& values)
{
    set.restore(values);
}

} // namespace sim
