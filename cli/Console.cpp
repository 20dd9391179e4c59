#include "cli/Console.h"

#include "link/Printable.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <string>

namespace cli {

void writeOut(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

void writeErr(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void reportError(const QString& error, bool json, bool hint)
{
    const QString name = QStringLiteral("orvexdab-cli");
    // Words from the line, a ports file or a path reach a terminal: no control character raw.
    const QString shown = lnk::printable(error);
    writeErr(hint ? QStringLiteral("%1: %2\nTry '%1 --help'.\n").arg(name, shown)
                  : QStringLiteral("%1: %2\n").arg(name, shown));
    if (json) {
        // {"ok":false,"error":...}: what a script tests first comes first.
        const QByteArray quoted = QJsonDocument(QJsonArray{shown}).toJson(QJsonDocument::Compact);
        writeOut(QStringLiteral("{\"ok\":false,\"error\":%1}\n")
                     .arg(QString::fromUtf8(quoted.mid(1, quoted.size() - 2))));
    }
}

// One answer line from a terminal; "y" or "yes" in any case agrees.
bool agreed()
{
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        line.push_back(char(c));
    }
    const QString answer = QString::fromLocal8Bit(line.c_str()).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

} // namespace cli
