#include "model/ParameterSet.h"

namespace model {

ParameterSet::ParameterSet(QObject* parent) : QObject(parent)
{
    for (const MemberInfo& i : members()) {
        m_values[index(i.member)] = i.initial;
    }
}

bool ParameterSet::setValue(Member m, int value)
{
    if (value < 0 || value > maximum(m)) {
        return false;
    }
    if (m_values[index(m)] == value) {
        return true;
    }
    m_values[index(m)] = value;
    Q_EMIT changed(m, value);
    // Bass density follows density while the hidden option is set.
    if (m == Member::density && flag(Member::AutoDensity)) {
        assign(Member::bassamount, value);
    }
    return true;
}

void ParameterSet::assign(Member m, int value)
{
    const bool accepted = setValue(m, value);
    Q_ASSERT(accepted);
    Q_UNUSED(accepted);
}

bool ParameterSet::restore(const Values& values)
{
    for (const MemberInfo& i : members()) {
        const int v = values[index(i.member)];
        if (v < 0 || v > maximum(i.member)) {
            return false;
        }
    }
    for (const MemberInfo& i : members()) {
        const int v = values[index(i.member)];
        if (m_values[index(i.member)] != v) {
            m_values[index(i.member)] = v;
            Q_EMIT changed(i.member, v);
        }
    }
    return true;
}

void ParameterSet::resetToInitial()
{
    for (const MemberInfo& i : members()) {
        assign(i.member, i.initial);
    }
}

} // namespace model
