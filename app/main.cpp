#include "app/TerminationWatcher.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QApplication::setOrganizationName(QStringLiteral("OrvexDAB"));
    QApplication::setDesktopFileName(QStringLiteral("org.orvexdab.OrvexDAB"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/appicon/orvexdab.svg")));

    AppEnvironment env;
    env.programDir = QCoreApplication::applicationDirPath();

    frmMain window(env);
    TerminationWatcher watcher;
    window.closeOnRequestsOf(watcher);
    if (!window.start()) {
        return 0;
    }
    return app.exec();
}
