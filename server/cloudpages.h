#ifndef CLOUDPAGES_H
#define CLOUDPAGES_H

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

class StoredBook;

// The HTML of the cloud service's web root: a sign-in form, and after signing in the account's synced
// books. Every text that came from a client is escaped.
class CloudPages
{
public:
    // `message` is shown above the form, e.g. after a failed sign-in; empty for none.
    static QByteArray signIn(const QString &message = {});
    // `storedDigests` are the MD5 digests of the files the service holds for the account.
    static QByteArray books(const QString &userName, const QList<StoredBook> &books,
                            const QSet<QString> &storedDigests);

    static QString escaped(const QString &text);
};

#endif // CLOUDPAGES_H
