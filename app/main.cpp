#include "app/TerminationWatcher.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QSessionManager>
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

    TerminationWatcher watcher;
    QObject::connect(&watcher, &TerminationWatcher::terminationRequested, &window,
                     [&window] { window.requestClose(frmMain::CloseReason::Termination); });
    // The desktop session ends: the same orderly close, without a question.
    QObject::connect(
        &app, &QGuiApplication::commitDataRequest, &window,
        [&window](QSessionManager&) { window.requestClose(frmMain::CloseReason::Termination); });

    window.load();
    if (window.closeRequested()) {
        window.close();
        return 0;
    }
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
    window.show();
    return app.exec();
}
