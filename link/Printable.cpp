#include "link/Printable.h"

namespace lnk {

QString printable(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0)) {
            shown += QStringLiteral("\\x") +
                     QString::number(unsigned(u), 16).rightJustified(2, QLatin1Char('0')).toUpper();
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace lnk
