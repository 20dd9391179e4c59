// orvexdab-mangen TEMPLATE OUTPUT: the man page with every @KEY@ replaced by that command's
// synopsis in troff, so the man page says what the tool's own usage says.
#include "cli/Synopses.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: orvexdab-mangen TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    QFile in(args[1]);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "orvexdab-mangen: %s: cannot be read\n", qPrintable(args[1]));
        return 1;
    }
    const QString page = cli::withSynopses(QString::fromUtf8(in.readAll()), true);
    // A key the table does not have would reach the page as it stands.
    const QRegularExpressionMatch left =
        QRegularExpression(QStringLiteral("@[a-z][a-z ]*@")).match(page);
    if (left.hasMatch()) {
        std::fprintf(stderr, "orvexdab-mangen: no synopsis for %s\n", qPrintable(left.captured()));
        return 1;
    }
    QFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(page.toUtf8()) != page.toUtf8().size()) {
        std::fprintf(stderr, "orvexdab-mangen: %s: cannot be written\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
