#include "app/windowstate.h"

#include "core/settings.h"

#include <QMainWindow>
#include <QSplitter>

void WindowState::restore(QMainWindow &window, const QList<QSplitter *> &splitters)
{
    const Settings settings;
    // Whatever is not stored yet keeps the form's own layout.
    window.restoreGeometry(settings.value(Settings::WindowGeometry).toByteArray());
    window.restoreState(settings.value(Settings::WindowState).toByteArray());
    for (QSplitter *splitter : splitters)
        splitter->restoreState(settings.value(Settings::splitterKey(splitter->objectName())).toByteArray());
}

void WindowState::save(const QMainWindow &window, const QList<QSplitter *> &splitters)
{
    Settings settings;
    settings.setValue(Settings::WindowGeometry, window.saveGeometry());
    settings.setValue(Settings::WindowState, window.saveState());
    for (const QSplitter *splitter : splitters)
        settings.setValue(Settings::splitterKey(splitter->objectName()), splitter->saveState());
}
