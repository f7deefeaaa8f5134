#include "app/recentfiles.h"

#include "core/settings.h"

QStringList RecentFiles::list()
{
    return Settings().value(Settings::RecentFiles).toStringList();
}

void RecentFiles::add(const QString &path)
{
    QStringList files = list();
    files.removeAll(path);
    files.prepend(path);
    Settings().setValue(Settings::RecentFiles, files.mid(0, Kept));
}
