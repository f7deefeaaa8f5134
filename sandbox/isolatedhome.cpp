#include "sandbox/isolatedhome.h"

#include <QDir>
#include <QFile>

QString IsolatedHome::home(const QString &folder)
{
    return folder + QStringLiteral("/home");
}

QString IsolatedHome::enter(const QString &folder)
{
    const QString home = IsolatedHome::home(folder);
    const struct
    {
        const char *variable;
        QString path;
    } locations[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + QStringLiteral("/.config")},
        {"XDG_DATA_HOME", home + QStringLiteral("/.local/share")},
        {"XDG_CACHE_HOME", home + QStringLiteral("/.cache")},
        {"XDG_STATE_HOME", home + QStringLiteral("/.local/state")},
        {"XDG_RUNTIME_DIR", home + QStringLiteral("/.runtime")},
    };
    for (const auto &location : locations) {
        if (!QDir().mkpath(location.path))
            return QStringLiteral("Cannot create %1").arg(location.path);
        qputenv(location.variable, QFile::encodeName(location.path));
    }
    // Qt refuses a runtime directory that others may enter.
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Files opened by relative name (the log files) land in the tree as well.
    if (!QDir::setCurrent(folder))
        return QStringLiteral("Cannot enter %1").arg(folder);
    return QString();
}
