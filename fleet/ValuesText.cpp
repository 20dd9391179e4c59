#include "fleet/ValuesText.h"

namespace fleet {

QString encodeValues(lnk::Layout layout, const Values& values)
{
    QStringList parts;
    const session::CarriedValues carried = session::CarriedValues::ofLayout(layout, values);
    for (const model::Member m : carried.members()) {
        parts << QStringLiteral("%1=%2")
                     .arg(QLatin1String(model::info(m).name.data(),
                                        qsizetype(model::info(m).name.size())))
                     .arg(*carried.value(m));
    }
    return parts.join(QLatin1Char(' '));
}

std::optional<Values> decodeValues(lnk::Layout layout, const QString& text)
{
    Values values = initialValues();
    std::array<bool, model::kMemberCount> seen{};
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            return std::nullopt;
        }
        const QByteArray name = part.left(eq).toLatin1();
        const std::optional<model::Member> m =
            model::memberByName(std::string_view(name.constData(), size_t(name.size())));
        bool ok = false;
        const int v = part.mid(eq + 1).toInt(&ok);
        if (!m || seen[model::index(*m)] || !ok || v < 0 || v > model::maximum(*m)) {
            return std::nullopt;
        }
        seen[model::index(*m)] = true;
        values[model::index(*m)] = v;
    }
    const session::CarriedValues expected = session::CarriedValues::ofLayout(layout, values);
    int count = 0;
    for (const bool s : seen) {
        count += s ? 1 : 0;
    }
    if (count != expected.members().size()) {
        return std::nullopt;
    }
    for (const model::Member m : expected.members()) {
        if (!seen[model::index(m)]) {
            return std::nullopt;
        }
    }
    return values;
}

} // namespace fleet
