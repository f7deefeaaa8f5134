#include "bench/filelimit.h"

#include <algorithm>

FileLimit::FileLimit(int limit)
{
    if (getrlimit(RLIMIT_NOFILE, &before) != 0)
        return;
    rlimit changed = before;
    changed.rlim_cur = std::min(rlim_t(limit), before.rlim_max);
    applied = setrlimit(RLIMIT_NOFILE, &changed) == 0;
}

FileLimit::~FileLimit()
{
    if (applied)
        setrlimit(RLIMIT_NOFILE, &before);
}
