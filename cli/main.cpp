#include "cli/Program.h"
#include "fleet/CheckRun.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

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
    const int status = app.exec();
    // A check that answered without its store's thread: that thread may still be inside the
    // database client, which the static destructors would pull away from under it.
    if (fleet::CheckRun::threadsLeftRunning() > 0) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
