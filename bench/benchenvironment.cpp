#include "bench/benchenvironment.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

BenchEnvironment::BenchEnvironment()
    : originalDirectory(QDir::currentPath())
    , directory(QDir::tempPath() + QStringLiteral("/shelvio-bench-XXXXXX"))
{
    error = directory.isValid() ? prepare() : directory.errorString();
}

BenchEnvironment::~BenchEnvironment()
{
    // The tree goes with the temporary directory; the process must not stand in it then.
    QDir::setCurrent(originalDirectory);
}

QString BenchEnvironment::root() const
{
    return directory.path();
}

QString BenchEnvironment::home() const
{
    return directory.filePath(QStringLiteral("home"));
}

QString BenchEnvironment::prepare()
{
    const QString home = this->home();
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
        {"TMPDIR", directory.filePath(QStringLiteral("tmp"))},
    };
    for (const auto &location : locations) {
        if (!QDir().mkpath(location.path))
            return QStringLiteral("Cannot create %1").arg(location.path);
        qputenv(location.variable, QFile::encodeName(location.path));
    }
    // Qt refuses a runtime directory that others may enter.
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_UNIX
    // As the program itself does: Chromium will not start its sandbox for root.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    for (const char *variable : {"SHELVIO_CLOUD_URL", "SHELVIO_UPDATE_URL", "SHELVIO_BOOKS_API"})
        qputenv(variable, UnreachableService);

    // The log files are opened by relative name.
    if (!QDir::setCurrent(directory.path()))
        return QStringLiteral("Cannot enter %1").arg(directory.path());
    return QString();
}
