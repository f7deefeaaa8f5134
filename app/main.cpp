#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "model/librarydatabase.h"

#include <QApplication>

#include <cstdlib>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

int main(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    // Chromium refuses to start its sandbox for the root user, and the reader and browser would not
    // open at all.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    // The web views share their rendering context with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(resources);
    QGuiApplication::setDesktopFileName(QStringLiteral("shelvio"));

    if (!Startup::prepare())
        return EXIT_FAILURE;
    SingleInstance instance(LibraryDatabase::dataDirectory());
    if (!instance.claim())
        return EXIT_SUCCESS;
    MainWindow window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return application.exec();
}
