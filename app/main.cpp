#include "app/TerminationWatcher.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QStyle>

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

    // A termination request closes whatever modal window is up, then the panel itself, which
    // saves the working file and the settings on its way out.
    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &window, [&window] {
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == &window || !modal->close()) {
                break;
            }
        }
        if (window.isVisible()) {
            window.close();
        }
    });

    window.load();
    if (watcher.requested()) {
        window.close();
        return 0;
    }
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
    window.show();
    return app.exec();
}
