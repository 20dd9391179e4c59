#include "cli/Program.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // The panel's names: they decide the per-user data folder, so both find the same ports,
    // links and settings.
    QCoreApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QCoreApplication::setOrganizationName(QStringLiteral("OrvexDAB"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVEX_VERSION));

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    cli::Program program(arguments, QCoreApplication::applicationDirPath());
    QObject::connect(&program, &cli::Program::finished, &app, &QCoreApplication::exit);
    program.start();
    return app.exec();
}
