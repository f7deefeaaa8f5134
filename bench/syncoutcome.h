#ifndef SYNCOUTCOME_H
#define SYNCOUTCOME_H

#include <QString>

class FileSyncManager;

// What a finished sync dialog tells of its run: the books it marked as failed, with their reasons.
class SyncOutcome
{
public:
    // Empty when no book was marked; otherwise the first marked book's reason and how many were marked.
    static QString failure(const FileSyncManager &sync);
};

#endif // SYNCOUTCOME_H
