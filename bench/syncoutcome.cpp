#include "bench/syncoutcome.h"

#include "cloud/filesyncmanager.h"

#include <QListWidget>

QString SyncOutcome::failure(const FileSyncManager &sync)
{
    const auto *list = sync.findChild<QListWidget *>(QStringLiteral("uploadList"));
    if (!list)
        return QStringLiteral("the sync dialog has no list of books");
    int marked = 0;
    QString first;
    for (int row = 0; row < list->count(); ++row) {
        const QString reason = list->item(row)->toolTip();
        if (reason.isEmpty())
            continue;
        if (marked++ == 0)
            first = reason;
    }
    return marked == 0 ? QString() : QStringLiteral("%1 books failed, the first: %2").arg(marked).arg(first);
}
