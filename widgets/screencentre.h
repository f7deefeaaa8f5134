#ifndef SCREENCENTRE_H
#define SCREENCENTRE_H

class QWidget;

// Puts a window in the middle of the primary screen.
class ScreenCentre
{
public:
    static void place(QWidget *window);
};

#endif // SCREENCENTRE_H
