#include "app/frmMain.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvexDAB"));
    QApplication::setOrganizationName(QStringLiteral("OrvexDAB"));

    AppEnvironment env;
    env.programDir = QCoreApplication::applicationDirPath();

    frmMain window(env);
    window.load();
    window.show();
    return app.exec();
}
