#include "storage/ParameterFile.h"

#include "storage/AtomicWrite.h"
#include "storage/FieldReader.h"
#include "storage/SmallFile.h"

#include <QBuffer>

#include <algorithm>

namespace storage {
namespace {

std::array<model::Member, kParameterFileLines> orderFromTable()
{
    std::array<model::Member, kParameterFileLines> order{};
    std::array<bool, kParameterFileLines> seen{};
    for (const model::MemberInfo& i : model::members()) {
        if (i.fileLine == model::kAbsent) {
            continue;
        }
        Q_ASSERT(i.fileLine >= 1 && i.fileLine <= kParameterFileLines);
        Q_ASSERT(!seen[i.fileLine - 1]);
        seen[i.fileLine - 1] = true;
        order[i.fileLine - 1] = i.member;
    }
    Q_ASSERT(std::all_of(seen.begin(), seen.end(), [](bool s) { return s; }));
    return order;
}

int storedValue(const model::ParameterSet& set, model::Member m)
{
    if (model::isSlider(m)) {
        return set.value(m);
    }
    return set.value(m) != 0 ? 1 : 0;
}

int appliedValue(model::Member m, quint8 field)
{
    if (model::isSlider(m)) {
        return field;
    }
    return field != 0 ? 1 : 0;
}

} // namespace

const std::array<model::Member, kParameterFileLines>& parameterFileOrder()
{
    static const std::array<model::Member, kParameterFileLines> order = orderFromTable();
    return order;
}

QByteArray formatParameterFile(const model::ParameterSet& set)
{
    QByteArray bytes;
    for (const model::Member m : parameterFileOrder()) {
        bytes += printedLine(storedValue(set, m));
    }
    return bytes;
}

std::optional<FileError> writeParameterFile(const QString& path, const model::ParameterSet& set)
{
    return writeFileAtomically(path, formatParameterFile(set));
}

std::optional<FileError> readParameterFile(const QString& path, model::ParameterSet& set)
{
    FileResult<QByteArray> content = readSmallFile(path);
    if (!content.ok()) {
        return content.error;
    }
    QBuffer buffer(&content.value);
    buffer.open(QIODevice::ReadOnly);
    FieldReader reader(buffer);
    int line = 0;
    for (const model::Member m : parameterFileOrder()) {
        ++line;
        quint8 field = 0;
        if (std::optional<FileError> error = reader.next(field)) {
            error->field = line;
            return error;
        }
        const bool accepted = set.setValue(m, appliedValue(m, field));
        Q_ASSERT(accepted);
        Q_UNUSED(accepted);
    }
    return std::nullopt;
}

} // namespace storage
