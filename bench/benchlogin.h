#ifndef BENCHLOGIN_H
#define BENCHLOGIN_H

#include <QString>

// Logs in to the cloud service through the program's own login dialog, as a user does before a sync.
class BenchLogin
{
public:
    // Points the program at the service and at the library in dataDir, with no token yet, as a user who
    // runs their own service does.
    static void useService(const QString &serviceUrl, const QString &dataDir);
    // Why it failed, or nothing once the token is stored.
    static QString logIn(const QString &userName, const QString &password);
};

#endif // BENCHLOGIN_H
