#pragma once

#include "model/Members.h"

#include <QObject>

#include <array>

namespace model {

// The values the panel shows. Every writer (operator, file, upload, factory sound, exact
// parameters window) goes through setValue, so the change rules hold whoever writes.
class ParameterSet : public QObject
{
    Q_OBJECT

public:
    // Every member's value, by member index.
    using Values = std::array<int, kMemberCount>;

    explicit ParameterSet(QObject* parent = nullptr);

    const Values& values() const { return m_values; }
    // Puts back values taken earlier with values(): each member as it was, the change rules
    // left out (they fired when the values were first made). Values out of range are refused,
    // changing nothing.
    bool restore(const Values& values);

    int value(Member m) const { return m_values[index(m)]; }
    bool flag(Member m) const { return value(m) != 0; }

    // Refuses a value outside the member's range (0..255 for sliders, 0..2 for chkTurbo,
    // 0..1 for flags): returns false and changes nothing. A write of the value already held
    // is no change and signals nothing.
    [[nodiscard]] bool setValue(Member m, int value);

    // For writers whose values are in range by construction (reply bytes, factory tables).
    void assign(Member m, int value);

    void setFlag(Member m, bool on) { assign(m, on ? 1 : 0); }

    // Puts every member back to its initial value, through the change rules.
    void resetToInitial();

Q_SIGNALS:
    void changed(model::Member member, int value);

private:
    Values m_values{};
};

} // namespace model
