#include "bench/benchenvironment.h"

#include "sandbox/isolatedhome.h"

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
    return IsolatedHome::home(directory.path());
}

QString BenchEnvironment::prepare()
{
    const QString temporary = directory.filePath(QStringLiteral("tmp"));
    if (!QDir().mkpath(temporary))
        return QStringLiteral("Cannot create %1").arg(temporary);
    qputenv("TMPDIR", QFile::encodeName(temporary));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_UNIX
    // As the program itself does: Chromium will not start its sandbox for root.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    for (const char *variable : {"SHELVIO_CLOUD_URL", "SHELVIO_UPDATE_URL", "SHELVIO_BOOKS_API"})
        qputenv(variable, UnreachableService);
    return IsolatedHome::enter(directory.path());
}
