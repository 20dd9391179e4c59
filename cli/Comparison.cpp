#include "cli/Comparison.h"

namespace cli {

QList<Difference> differences(lnk::Layout layout, const QByteArray& reply,
                              const model::ParameterSet& file)
{
    // The reply's bytes as an upload puts them on a fresh panel, where no change rule fires
    // (bass density follows density only under a mark no reply carries).
    model::ParameterSet processor;
    lnk::applyReply(layout, reply, processor);
    QList<Difference> found;
    for (int off = 0; off < lnk::replySize(layout); ++off) {
        const std::optional<model::Member> m = lnk::memberAtReply(layout, off);
        if (!m || model::info(*m).fileLine == model::kAbsent) {
            continue;
        }
        if (processor.value(*m) != file.value(*m)) {
            found.append({*m, file.value(*m), processor.value(*m)});
        }
    }
    return found;
}

QString describe(const Difference& d)
{
    const std::string_view name = model::info(d.member).name;
    return QStringLiteral("%1: file %2, processor %3")
        .arg(QLatin1String(name.data(), qsizetype(name.size())))
        .arg(d.file)
        .arg(d.processor);
}

} // namespace cli
