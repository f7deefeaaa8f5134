#ifndef BENCHLOGIN_H
#define BENCHLOGIN_H

#include <QString>

// Logs in to the cloud service through the program's own login dialog, as a user does before a sync.
class BenchLogin
{
public:
    // Why it failed, or nothing once the token is stored.
    static QString logIn(const QString &userName, const QString &password);
};

#endif // BENCHLOGIN_H
