#ifndef SAVETRANSACTION_H
#define SAVETRANSACTION_H

#include <QSqlDatabase>
#include <QString>

// The statements of one record's save as one unit on the default connection: a save cut short (a failed
// step, a crash, a killed process) leaves none of them stored. Inside a transaction that someone else
// began, it joins that one and leaves the outcome to its owner.
class SaveTransaction
{
public:
    SaveTransaction();
    // Rolls back what was not committed.
    ~SaveTransaction();

    // True when the statements are stored, or when the owner of an outer transaction decides.
    bool commit();
    void rollback();

    // Why the save fell short: the first failure noted while it ran, in the database's own words.
    QString failure() const { return firstFailure; }
    // Notes a failed step of the saves under way; outside a save it is only logged by its caller.
    static void noteFailure(const QString &reason);

private:
    Q_DISABLE_COPY_MOVE(SaveTransaction)

    QSqlDatabase db;
    bool open = false;
    QString firstFailure;
    SaveTransaction *enclosing;
    static inline SaveTransaction *innermost = nullptr;
};

#endif // SAVETRANSACTION_H
