#pragma once

#include "storage/FileError.h"

#include <QByteArray>

#include <optional>

class QIODevice;

namespace storage {

// Sequential numeric input shared by the parameter file and the settings file.
//
// A field starts at the first non-blank character (blanks: space, tab, CR, LF; a UTF-8 byte
// order mark at the very start of the file counts as blank too, so files saved by editors
// that add one still load). It ends at a space, a tab, a comma or the end of the line. After
// a field, blanks up to and including one comma or one line end are consumed, so
// " 12 \r\n", "12,13" and "12 , 13" all separate fields. A comma where a field should start
// (as in "1,,2") is an empty field and counts as not a number.
//
// A field is a byte value written in decimal: an optional sign, digits, and optionally a
// decimal point with more digits ("12.5", ".5", "7."). Fractions are rounded half to even,
// as the panel's other numeric input does ("12.5" -> 12, "13.5" -> 14). A value that rounds
// below 0 or above 255, however many digits it has, is "Overflow"; anything else (letters,
// exponents, a sign alone, an empty field) is "Type mismatch". The end of the input before a
// field starts is "Input past end of file". Nothing is read beyond the field asked for.
class FieldReader
{
public:
    explicit FieldReader(QIODevice& in) : m_in(in) {}

    // Reads the next field into value; on error value is left alone.
    std::optional<FileError> next(quint8& value);

private:
    bool get(char& c);
    void unget(char c);

    QIODevice& m_in;
    bool m_atStart = true;
};

// Parses one field's text by the rules above.
std::optional<FileErrorKind> parseByte(const QByteArray& text, quint8& value);

// One value as a numeric print statement writes it: sign position (space or '-'), the
// digits, a trailing space, then CR LF.
QByteArray printedLine(int value);

} // namespace storage
