#ifndef RECENTFILES_H
#define RECENTFILES_H

#include <QString>
#include <QStringList>

// The files last opened in a reader tab, newest first, kept in the settings.
class RecentFiles
{
public:
    static constexpr int Kept = 10;

    static QStringList list();
    static void add(const QString &path);
};

#endif // RECENTFILES_H
