#include "storage/TextExport.h"

#include "storage/AtomicWrite.h"

#include <array>

namespace storage {
namespace {

constexpr char kTitle[] = "Orvex DAB parameters";
constexpr char kFooter[] = "Export from firmware version 20.01, (c) Orvex 2020";
constexpr char kEol[] = "\r\n";

void appendQuoted(QByteArray& out, std::string_view text)
{
    out += '"';
    out.append(text.data(), static_cast<qsizetype>(text.size()));
    out += '"';
}

void appendValue(QByteArray& out, const model::MemberInfo& info, const model::ParameterSet& params)
{
    if (info.kind == model::Kind::Flag) {
        out += params.flag(info.member) ? "#TRUE#" : "#FALSE#";
    } else {
        out += QByteArray::number(params.value(info.member));
    }
}

// Export line (2..33) -> member row, built from the member table.
std::array<const model::MemberInfo*, kExportLineCount + 1> rowsByLine()
{
    std::array<const model::MemberInfo*, kExportLineCount + 1> rows{};
    for (const model::MemberInfo& info : model::members()) {
        if (info.exportLine != model::kAbsent) {
            rows[info.exportLine] = &info;
        }
    }
    return rows;
}

} // namespace

QByteArray encodeTextExport(const model::ParameterSet& params)
{
    static const auto rows = rowsByLine();
    QByteArray out;
    out.reserve(1024);
    appendQuoted(out, kTitle);
    out += kEol;
    for (int line = 2; line < kExportLineCount; ++line) {
        const model::MemberInfo* info = rows[line];
        Q_ASSERT(info != nullptr);
        appendQuoted(out, info->exportLabel);
        out += ',';
        appendValue(out, *info, params);
        out += kEol;
    }
    appendQuoted(out, kFooter);
    out += kEol;
    return out;
}

std::optional<FileError> writeTextExport(const QString& path, const model::ParameterSet& params)
{
    return writeFileAtomically(path, encodeTextExport(params));
}

} // namespace storage
