#include "session/Comparison.h"

namespace session {

CarriedValues CarriedValues::ofPanel(const model::ParameterSet::Values& values)
{
    CarriedValues c;
    for (const model::MemberInfo& i : model::members()) {
        c.add(i.member, values[model::index(i.member)]);
    }
    return c;
}

CarriedValues CarriedValues::ofFile(const model::ParameterSet::Values& values)
{
    CarriedValues c;
    for (const model::MemberInfo& i : model::members()) {
        if (i.fileLine != model::kAbsent) {
            c.add(i.member, values[model::index(i.member)]);
        }
    }
    return c;
}

CarriedValues CarriedValues::ofReply(lnk::Layout layout, const QByteArray& reply)
{
    CarriedValues c;
    if (reply.size() < lnk::replySize(layout)) {
        return c;
    }
    for (int off = 0; off < lnk::replySize(layout); ++off) {
        if (const std::optional<model::Member> m = lnk::memberAtReply(layout, off)) {
            c.add(*m, lnk::replyValue(layout, reply, *m));
        }
    }
    return c;
}

CarriedValues CarriedValues::ofLayout(lnk::Layout layout, const model::ParameterSet::Values& values)
{
    CarriedValues c;
    for (int off = 0; off < lnk::replySize(layout); ++off) {
        if (const std::optional<model::Member> m = lnk::memberAtReply(layout, off)) {
            c.add(*m, values[model::index(*m)]);
        }
    }
    return c;
}

model::ParameterSet::Values CarriedValues::over(const model::ParameterSet::Values& base) const
{
    model::ParameterSet::Values v = base;
    for (const model::Member m : m_order) {
        v[model::index(m)] = *m_values[model::index(m)];
    }
    return v;
}

void CarriedValues::add(model::Member m, int value)
{
    if (!m_values[model::index(m)]) {
        m_order.append(m);
    }
    m_values[model::index(m)] = value;
}

QList<Difference> differences(const CarriedValues& a, const CarriedValues& b)
{
    QList<Difference> found;
    for (const model::Member m : a.members()) {
        const std::optional<int> other = b.value(m);
        if (other && *other != *a.value(m)) {
            found.append({m, *a.value(m), *other});
        }
    }
    return found;
}

QList<model::Member> compared(const CarriedValues& a, const CarriedValues& b)
{
    QList<model::Member> both;
    for (const model::Member m : a.members()) {
        if (b.value(m)) {
            both.append(m);
        }
    }
    return both;
}

QString differencesWord(qsizetype n)
{
    return n == 1 ? QStringLiteral("1 difference") : QStringLiteral("%1 differences").arg(n);
}

} // namespace session
