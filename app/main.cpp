#include "app/TerminationWatcher.h"
#include "app/frmMain.h"

#include "fleet/StoreWorker.h"

#include <QApplication>
#include <QIcon>

#include <cstdlib>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QApplication::setOrganizationName(QStringLiteral("OrvexDAB"));
    QApplication::setDesktopFileName(QStringLiteral("org.orvexdab.OrvexDAB"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/appicon/orvexdab.svg")));

    AppEnvironment env;
    env.programDir = QCoreApplication::applicationDirPath();

    auto window = std::make_unique<frmMain>(env);
    TerminationWatcher watcher;
    window->closeOnRequestsOf(watcher);
    if (!window->start()) {
        return 0;
    }
    const int status = app.exec();
    window.reset();
    // A store that never answered keeps its thread inside the database client: the program
    // ends without tearing that down under it, so quitting never waits for the store.
    if (fleet::StoreWorker::abandoned() > 0) {
        std::_Exit(status);
    }
    return status;
}
