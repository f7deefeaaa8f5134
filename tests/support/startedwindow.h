#ifndef STARTEDWINDOW_H
#define STARTEDWINDOW_H

#include "app/mainwindow.h"
#include "app/startup.h"

#include <QtGlobal>

#include <memory>

// The main window as the program starts it: the start-up first (directories, settings, the library on the
// default connection), then the window. For tests that link the top floor.
inline std::unique_ptr<MainWindow> startMainWindow()
{
    if (!Startup::prepare())
        qFatal("The program's start-up failed");
    return std::make_unique<MainWindow>();
}

#endif // STARTEDWINDOW_H
