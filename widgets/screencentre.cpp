#include "widgets/screencentre.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

void ScreenCentre::place(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
