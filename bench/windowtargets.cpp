#include "bench/windowtargets.h"

WindowTargets WindowTargets::forBooks(int books)
{
    if (books <= 10000)
        return {0.6, 150, 16, 50, 0.6};
    return {5, 600, 30, 150, 5};
}
