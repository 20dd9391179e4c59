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
    Values v{};
    for (const model::MemberInfo& i : model::members()) {
        v[model::index(i.member)] = set.value(i.member);
    }
    return v;
}

void loadValues(model::ParameterSet& set, const Values& values)
{
    set.assign(model::Member::AutoDensity, 0);
    for (const model::MemberInfo& i : model::members()) {
        if (i.member != model::Member::AutoDensity) {
            set.assign(i.member, values[model::index(i.member)]);
        }
    }
    set.assign(model::Member::AutoDensity, valueOf(values, model::Member::AutoDensity));
}

} // namespace sim
