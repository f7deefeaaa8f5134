#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(resources);
    QGuiApplication::setDesktopFileName(QStringLiteral("shelvio"));

    MainWindow window;
    window.show();
    return application.exec();
}
