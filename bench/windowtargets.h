#ifndef WINDOWTARGETS_H
#define WINDOWTARGETS_H

// The goals of the window's figures for a library of a given size: those set for 10,000 books up to that
// size, those set for 100,000 books beyond it.
struct WindowTargets
{
    double openSeconds = 0;
    double openPeakMegabytes = 0;
    double keystrokeMedianMs = 0;
    double keystrokeMaxMs = 0;
    double scanSeconds = 0;

    static WindowTargets forBooks(int books);
};

#endif // WINDOWTARGETS_H
