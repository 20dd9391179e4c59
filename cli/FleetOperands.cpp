#include "cli/FleetOperands.h"

namespace cli {

void addOperands(CLI::App* sub, const std::shared_ptr<Collected>& c,
                 std::initializer_list<Operand> operands)
{
    for (const auto& [name, description] : operands) {
        std::string word = name;
        const bool many = word.size() > 3 && word.compare(word.size() - 3, 3, "...") == 0;
        if (many) {
            word.resize(word.size() - 3);
            sub->add_option_function<std::vector<std::string>>(
                   word,
                   [c](const std::vector<std::string>& words) {
                       for (const std::string& w : words) {
                           c->operands << QString::fromStdString(w);
                       }
                   },
                   description)
                ->type_name("");
        } else {
            sub->add_option_function<std::string>(
                   word, [c](const std::string& w) { c->operands << QString::fromStdString(w); },
                   description)
                ->type_name("");
        }
    }
}

std::optional<int> versionNumber(const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n > 0 && !text.startsWith(QLatin1Char('+')) ? std::optional<int>(n) : std::nullopt;
}

QString badVersion(const QString& text)
{
    return QStringLiteral("version %1 is not a number from 1").arg(text);
}

void addOnce(CommandLine& cl, CLI::App* sub, const char* name, const char* typeName,
             const char* description, QString& into)
{
    cl.addValue(sub, name, typeName, description, [&into, name](const QString& v) {
        if (!into.isNull()) {
            return QStringLiteral("%1 given twice").arg(QLatin1String(name));
        }
        into = v;
        return QString();
    });
}

QString selectionError(const char* verb, const FleetArguments& f)
{
    const int ways = int(!f.sites.isEmpty()) + int(!f.group.isNull()) + int(f.all);
    if (ways == 1) {
        return {};
    }
    return ways == 0 ? QStringLiteral("%1 needs NAME..., --group GROUP or --all").arg(verb)
                     : QStringLiteral("%1 takes NAME..., --group GROUP or --all, only one of them")
                           .arg(verb);
}

} // namespace cli
