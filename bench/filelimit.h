#ifndef FILELIMIT_H
#define FILELIMIT_H

#include <QtGlobal>

#include <sys/resource.h>

// Sets this process's limit of open files (within the hard limit) for as long as it lives; processes
// started meanwhile keep the limit they were given.
class FileLimit
{
public:
    explicit FileLimit(int limit);
    ~FileLimit();

    bool isApplied() const { return applied; }

private:
    Q_DISABLE_COPY_MOVE(FileLimit)

    rlimit before{};
    bool applied = false;
};

#endif // FILELIMIT_H
