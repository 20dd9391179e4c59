#include "cli/Synopses.h"

#include <QRegularExpression>

#include <array>
#include <utility>

namespace cli {
namespace {

// Wrapped where the usage wraps them; the man page joins the lines.
constexpr std::array<std::pair<const char*, const char*>, 19> kSynopses{{
    {"program", "orvexdab-cli [--port PORT]... [--ports-file FILE] [--parallel N] [--json]\n"
                "                    [--data-dir DIR] [--store URL]"},
    {"site add", "site add NAME PORT [--group GROUP]"},
    {"site set", "site set NAME [--port PORT] [--group GROUP] [--name NEWNAME] [--here]"},
    {"site remove", "site remove NAME [--purge]"},
    {"site list", "site list"},
    {"backup", "backup [NAME... | --group GROUP | --all] [--note TEXT] [--metrics FILE]\n"
               "         [--on-change COMMAND]"},
    {"history", "history NAME"},
    {"diff", "diff NAME [A [B]]"},
    {"export", "export NAME VERSION --output FILE [--base FILE]"},
    {"approve", "approve NAME [VERSION]"},
    {"approve --sound", "approve (NAME... | --group GROUP | --all) --sound SOURCE [--night]"},
    {"unapprove", "unapprove NAME [--day | --night]"},
    {"drift", "drift [NAME... | --group GROUP | --all] [--live]"},
    {"restore", "restore NAME VERSION [--yes] [--save]"},
    {"deploy", "deploy SOURCE (NAME... | --group GROUP | --all) [--night] [--canary N]\n"
               "         [--continue] [--accept-other-block] [--save] [--approve] [--note TEXT]\n"
               "         [--yes]"},
    {"deploy --revert", "deploy --revert ID [--yes] [--note TEXT]"},
    {"deploys", "deploys"},
    {"check", "check [--warning HOURS] [--critical HOURS]"},
}};

bool isPlaceholder(const QString& word)
{
    static const QRegularExpression capitals(QStringLiteral("^[A-Z][A-Z0-9_]*$"));
    return capitals.match(word).hasMatch();
}

QString troffWord(const QString& word)
{
    QString escaped = word;
    escaped.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    return isPlaceholder(word) ? QStringLiteral("\\fI%1\\fR").arg(escaped)
                               : QStringLiteral("\\fB%1\\fR").arg(escaped);
}

} // namespace

QString synopsis(const QString& key)
{
    for (const auto& [k, text] : kSynopses) {
        if (key == QLatin1String(k)) {
            return QString::fromUtf8(text);
        }
    }
    return {};
}

QString troffSynopsis(const QString& text)
{
    QString out;
    QString word;
    const auto flush = [&] {
        if (!word.isEmpty()) {
            out += troffWord(word);
            word.clear();
        }
    };
    const QString plain = text.simplified();
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QChar c = plain[i];
        if (plain.mid(i, 3) == QLatin1String("...")) {
            flush();
            out += QStringLiteral("...\\&"); // not the end of a sentence
            i += 2;
        } else if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('(') ||
                   c == QLatin1Char(')') || c == QLatin1Char('|') || c == QLatin1Char(' ')) {
            flush();
            out += c;
        } else {
            word += c;
        }
    }
    flush();
    return out;
}

QString withSynopses(const QString& text, bool troff)
{
    QString out = text;
    for (const auto& [key, value] : kSynopses) {
        const QString s = QString::fromUtf8(value);
        out.replace(QStringLiteral("@%1@").arg(QLatin1String(key)), troff ? troffSynopsis(s) : s);
    }
    return out;
}

} // namespace cli
