#pragma once

#include "link/Frames.h"
#include "model/ParameterSet.h"

#include <QByteArray>
#include <QList>

#include <array>
#include <optional>

// The one comparison of two parameter sets: the panel, a parameter file, a processor's reply or
// a stored version. Only the members both sides carry are compared, with the values as each side
// holds them: no change rule runs, so a difference shown is a difference held.
namespace session {

// The members one side carries, in the order that side lists them, with their values.
class CarriedValues
{
public:
    // Every member, in member table order (the panel).
    static CarriedValues ofPanel(const model::ParameterSet::Values& values);
    // The members a parameter file holds (the day/night switch is kept in no file).
    static CarriedValues ofFile(const model::ParameterSet::Values& values);
    // The members a reply of this layout carries, in reply order, read as an upload reads them.
    // reply: at least the layout's reply size; a shorter one carries nothing.
    static CarriedValues ofReply(lnk::Layout layout, const QByteArray& reply);
    // The members a reply of this layout carries, taken from values (a stored version).
    static CarriedValues ofLayout(lnk::Layout layout, const model::ParameterSet::Values& values);

    std::optional<int> value(model::Member m) const { return m_values[model::index(m)]; }
    const QList<model::Member>& members() const { return m_order; }
    // Every member's value, absent ones from base: what a parameter file written from this side
    // holds.
    model::ParameterSet::Values over(const model::ParameterSet::Values& base) const;

private:
    void add(model::Member m, int value);

    std::array<std::optional<int>, model::kMemberCount> m_values{};
    QList<model::Member> m_order;
};

struct Difference
{
    model::Member member;
    int a = 0;
    int b = 0;

    friend bool operator==(const Difference&, const Difference&) = default;
};

// The members both carry whose values differ, in a's order.
QList<Difference> differences(const CarriedValues& a, const CarriedValues& b);

// "1 difference", "3 differences" (and "0 differences"): every front end counts them so.
QString differencesWord(qsizetype n);

// The members both carry, in a's order: the rows of a table that shows every compared value.
QList<model::Member> compared(const CarriedValues& a, const CarriedValues& b);

} // namespace session
