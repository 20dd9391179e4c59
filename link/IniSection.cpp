#include "link/IniSection.h"

#include <QStringList>

#include <optional>

namespace lnk::ini {
namespace {

#ifdef Q_OS_WIN
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

bool isHex(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// %XX and %UXXXX stand for the characters the settings classes do not write in a key; a
// backslash stands for the slash of a key path.
QString unescapedKey(const QString& raw)
{
    QString key;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'\\') {
            key += u'/';
        } else if (c == u'%' && i + 5 < raw.size() && raw[i + 1] == u'U' && isHex(raw[i + 2]) &&
                   isHex(raw[i + 3]) && isHex(raw[i + 4]) && isHex(raw[i + 5])) {
            key += QChar(raw.mid(i + 2, 4).toUShort(nullptr, 16));
            i += 5;
        } else if (c == u'%' && i + 2 < raw.size() && isHex(raw[i + 1]) && isHex(raw[i + 2])) {
            key += QChar(raw.mid(i + 1, 2).toUShort(nullptr, 16));
            i += 2;
        } else {
            key += c;
        }
    }
    return key;
}

QChar simpleEscape(QChar c)
{
    switch (c.unicode()) {
    case u'a':
        return QChar(0x07);
    case u'b':
        return QChar(0x08);
    case u'f':
        return QChar(0x0c);
    case u'n':
        return QChar(0x0a);
    case u'r':
        return QChar(0x0d);
    case u't':
        return QChar(0x09);
    case u'v':
        return QChar(0x0b);
    default:
        return c; // \" \' \? \\ and anything unknown stand for themselves
    }
}

// One value: quoted parts kept as they are, unquoted parts trimmed at the ends, escapes in
// both, a ; outside quotes starting a comment. False when a quote is left open.
bool unescapedValue(const QString& raw, QString& value)
{
    QString out;
    bool quoted = false;
    qsizetype keepUpTo = 0; // what the unquoted trailing blanks may not cut into
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'"') {
            quoted = !quoted;
            keepUpTo = out.size();
        } else if (c == u';' && !quoted) {
            break;
        } else if (c == u'\\' && i + 1 < raw.size()) {
            const QChar e = raw[++i];
            if (e == u'x') {
                qsizetype j = i + 1;
                while (j < raw.size() && j < i + 5 && isHex(raw[j])) {
                    ++j;
                }
                out += QChar(raw.mid(i + 1, j - i - 1).toUShort(nullptr, 16));
                i = j - 1;
            } else if (e >= u'0' && e <= u'7') {
                qsizetype j = i;
                while (j < raw.size() && j < i + 3 && raw[j] >= u'0' && raw[j] <= u'7') {
                    ++j;
                }
                out += QChar(raw.mid(i, j - i).toUShort(nullptr, 8));
                i = j - 1;
            } else {
                out += simpleEscape(e);
            }
            keepUpTo = out.size();
        } else if (!quoted && c.isSpace() && out.isEmpty() && keepUpTo == 0) {
            continue; // blanks before the value
        } else {
            out += c;
            if (quoted) {
                keepUpTo = out.size();
            }
        }
    }
    if (quoted) {
        return false;
    }
    while (out.size() > keepUpTo && out.back().isSpace()) {
        out.chop(1);
    }
    if (out.startsWith(QLatin1String("@@"))) {
        out.remove(0, 1);
    }
    value = out;
    return true;
}

bool isComment(const QString& line)
{
    return line.startsWith(u';') || line.startsWith(u'#');
}

// The section a header line opens, or nothing for any other line.
std::optional<QString> sectionOf(const QString& trimmed)
{
    if (!trimmed.startsWith(u'[') || !trimmed.endsWith(u']')) {
        return std::nullopt;
    }
    return unescapedKey(trimmed.mid(1, trimmed.size() - 2).trimmed());
}

QStringList linesOf(const QByteArray& text)
{
    QStringList lines = QString::fromUtf8(text).split(u'\n');
    for (QString& l : lines) {
        if (l.endsWith(u'\r')) {
            l.chop(1);
        }
    }
    return lines;
}

} // namespace

Parsed parse(const QByteArray& text)
{
    Parsed p;
    QString section;
    const QStringList lines = linesOf(text);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || isComment(line)) {
            continue;
        }
        if (line.startsWith(u'[')) {
            const std::optional<QString> s = sectionOf(line);
            if (!s) {
                p.error = QStringLiteral("line %1: a section name without its ]").arg(n + 1);
                return p;
            }
            section = *s;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq > 0 ? unescapedKey(line.left(eq).trimmed()) : QString();
        if (key.isEmpty()) {
            p.error =
                QStringLiteral("line %1: neither a [section] nor a key=value line").arg(n + 1);
            return p;
        }
        QString value;
        if (!unescapedValue(line.mid(eq + 1), value)) {
            p.error = QStringLiteral("line %1: a quote is not closed").arg(n + 1);
            return p;
        }
        const bool general = section.isEmpty() || section == QLatin1String("General");
        p.entries.append({general ? key : section + u'/' + key, value});
    }
    return p;
}

QByteArray escapedValue(const QString& value)
{
    QByteArray out;
    bool needsQuotes = false;
    bool hexBefore = false; // a hex digit after a \x escape would be read as part of it
    const QString text = value.startsWith(u'@') ? u'@' + value : value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u == u';' || u == u',' || u == u'=') {
            needsQuotes = true;
        }
        if (hexBefore && isHex(c)) {
            out += "\\x" + QByteArray::number(u, 16);
            continue;
        }
        hexBefore = false;
        switch (u) {
        case 0x00:
            out += "\\0";
            hexBefore = true;
            break;
        case 0x07:
            out += "\\a";
            break;
        case 0x08:
            out += "\\b";
            break;
        case 0x0c:
            out += "\\f";
            break;
        case 0x0a:
            out += "\\n";
            break;
        case 0x0d:
            out += "\\r";
            break;
        case 0x09:
            out += "\\t";
            break;
        case 0x0b:
            out += "\\v";
            break;
        case u'"':
        case u'\\':
            out += '\\';
            out += char(u);
            break;
        default:
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                // A character beyond the first 65,536 is two halves: one UTF-8 sequence.
                out += text.mid(i, 2).toUtf8();
                ++i;
            } else if (u < 0x20 || c.isSurrogate()) {
                // A half on its own has no UTF-8 form: only the escape keeps it.
                out += "\\x" + QByteArray::number(u, 16);
                hexBefore = true;
            } else {
                out += QString(c).toUtf8();
            }
        }
    }
    // The reader trims every kind of blank at a value's ends (U+0085 and U+00A0 too), except
    // inside quotes.
    if (needsQuotes || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()))) {
        out = '"' + out + '"';
    }
    return out;
}

QByteArray withSection(const QByteArray& text, const QString& section,
                       const QList<std::pair<QString, QString>>& entries)
{
    // The file as blocks, each a header and the lines up to the next one.
    QList<QStringList> blocks{QStringList()};
    QList<bool> ours{false};
    for (const QString& line : linesOf(text)) {
        const std::optional<QString> s = sectionOf(line.trimmed());
        if (s) {
            blocks.append(QStringList());
            ours.append(*s == section);
        }
        blocks.last().append(line);
    }
    QByteArray fresh;
    if (!entries.isEmpty()) {
        fresh = '[' + section.toUtf8() + ']' + kLineEnd;
        for (const auto& [key, value] : entries) {
            fresh += key.toUtf8() + '=' + escapedValue(value) + kLineEnd;
        }
    }
    QList<QByteArray> out;
    bool placed = false;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        QStringList& b = blocks[i];
        while (!b.isEmpty() && b.last().trimmed().isEmpty()) {
            b.removeLast();
        }
        if (ours[i]) {
            if (!placed && !fresh.isEmpty()) {
                out.append(fresh);
            }
            placed = true;
        } else if (!b.isEmpty()) {
            out.append(b.join(QLatin1String(kLineEnd)).toUtf8() + kLineEnd);
        }
    }
    if (!placed && !fresh.isEmpty()) {
        out.append(fresh);
    }
    QByteArray all;
    for (const QByteArray& block : out) {
        if (!all.isEmpty()) {
            all += kLineEnd;
        }
        all += block;
    }
    return all;
}

} // namespace lnk::ini
