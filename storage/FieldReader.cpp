#include "storage/FieldReader.h"

#include <QIODevice>

#include <algorithm>

namespace storage {
namespace {

constexpr int kMaxByte = 255;
// Integer parts beyond this are overflow whatever follows; keeps the sum from wrapping.
constexpr int kSaturated = 100000;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool endsField(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<FileErrorKind> parseByte(const QByteArray& text, quint8& value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int whole = 0;
    int digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        whole = std::min(whole * 10 + (text[i] - '0'), kSaturated);
    }
    QByteArray fraction;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i, ++digits) {
            fraction.append(text[i]);
        }
    }
    if (digits == 0 || i != text.size()) {
        return FileErrorKind::TypeMismatch;
    }

    bool roundUp = false;
    if (!fraction.isEmpty()) {
        const char first = fraction[0];
        const bool restNonZero =
            std::any_of(fraction.begin() + 1, fraction.end(), [](char c) { return c != '0'; });
        roundUp = first > '5' || (first == '5' && (restNonZero || whole % 2 == 1));
    }
    const int rounded = whole + (roundUp ? 1 : 0);
    if ((negative && rounded != 0) || rounded > kMaxByte) {
        return FileErrorKind::Overflow;
    }
    value = static_cast<quint8>(rounded);
    return std::nullopt;
}

bool FieldReader::get(char& c)
{
    if (!m_in.getChar(&c)) {
        return false;
    }
    if (m_atStart) {
        m_atStart = false;
        // Skip a UTF-8 byte order mark as if it were blank.
        if (static_cast<uchar>(c) == 0xEF) {
            const QByteArray rest = m_in.peek(2);
            if (rest == QByteArray("\xBB\xBF")) {
                m_in.skip(2);
                c = ' ';
            }
        }
    }
    return true;
}

void FieldReader::unget(char c)
{
    m_in.ungetChar(c);
}

std::optional<FileError> FieldReader::next(quint8& value)
{
    const auto endOfInput = [this]() {
        // A read error is not the end of the file.
        return m_in.atEnd() ? FileErrorKind::InputPastEnd : FileErrorKind::DeviceIO;
    };

    char c = 0;
    do {
        if (!get(c)) {
            return FileError{endOfInput()};
        }
    } while (isBlank(c));

    QByteArray text;
    bool more = true;
    while (more && !endsField(c)) {
        text.append(c);
        more = get(c);
    }
    if (!more && !m_in.atEnd()) {
        return FileError{FileErrorKind::DeviceIO};
    }

    if (more) {
        // Consume the separator: blanks on this line, then one comma or one line end.
        while (more && (c == ' ' || c == '\t')) {
            more = get(c);
        }
        if (more) {
            if (c == '\r') {
                char lf = 0;
                if (get(lf) && lf != '\n') {
                    unget(lf);
                }
            } else if (c != ',' && c != '\n') {
                unget(c);
            }
        }
    }

    if (text.isEmpty()) {
        return FileError{FileErrorKind::TypeMismatch};
    }
    if (const std::optional<FileErrorKind> bad = parseByte(text, value)) {
        return FileError{*bad};
    }
    return std::nullopt;
}

QByteArray printedLine(int value)
{
    QByteArray line = value < 0 ? QByteArray("-") : QByteArray(" ");
    line += QByteArray::number(value < 0 ? -static_cast<qint64>(value) : value);
    line += " \r\n";
    return line;
}

} // namespace storage
