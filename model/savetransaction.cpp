#include "model/savetransaction.h"

#include <QDebug>
#include <QSqlError>

SaveTransaction::SaveTransaction()
    : db(QSqlDatabase::database(QSqlDatabase::defaultConnection, false))
    , enclosing(innermost)
{
    // SQLite refuses a BEGIN inside a transaction; the statements then belong to the outer one.
    open = db.isOpen() && db.transaction();
    innermost = this;
}

SaveTransaction::~SaveTransaction()
{
    if (open)
        rollback();
    innermost = enclosing;
}

void SaveTransaction::noteFailure(const QString &reason)
{
    for (SaveTransaction *save = innermost; save; save = save->enclosing) {
        if (save->firstFailure.isEmpty())
            save->firstFailure = reason;
    }
}

bool SaveTransaction::commit()
{
    if (!open)
        return true;
    open = false;
    if (db.commit())
        return true;
    qDebug() << "save not committed:" << db.lastError().text();
    noteFailure(db.lastError().text());
    // A failed COMMIT can leave the transaction open; nothing of it may stay.
    db.rollback();
    return false;
}

void SaveTransaction::rollback()
{
    if (!open)
        return;
    open = false;
    if (!db.rollback())
        qDebug() << "save not rolled back:" << db.lastError().text();
}
