#include "tests/support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

TestEnvironment::TestEnvironment()
    : originalDirectory(QDir::currentPath())
    , temporary(std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/shelvio-tmp-XXXXXX")))
{
    if (!temporary->isValid())
        qFatal("Cannot create a temporary directory: %s", qPrintable(temporary->errorString()));
    // One for the whole run: a test may keep a temporary file across the resets of the tree.
    qputenv("TMPDIR", QFile::encodeName(temporary->path()));
    QStandardPaths::setTestModeEnabled(true);
    enter();
}

TestEnvironment::~TestEnvironment()
{
    QDir::setCurrent(originalDirectory);
}

void TestEnvironment::reset()
{
    QDir::setCurrent(originalDirectory);
    enter();
}

QString TestEnvironment::root() const
{
    return directory->path();
}

QString TestEnvironment::home() const
{
    return directory->filePath(QStringLiteral("home"));
}

void TestEnvironment::enter()
{
    directory = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/shelvio-test-XXXXXX"));
    if (!directory->isValid())
        qFatal("Cannot create a temporary test directory: %s", qPrintable(directory->errorString()));

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
    };
    for (const auto &location : locations) {
        if (!QDir().mkpath(location.path))
            qFatal("Cannot create %s", qPrintable(location.path));
        qputenv(location.variable, QFile::encodeName(location.path));
    }
    QFile::setPermissions(home + QStringLiteral("/.runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // QSettings works out its directory once per process; a fresh tree needs it told again.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    // Files opened by relative name (the log files) land in the tree as well.
    if (!QDir::setCurrent(directory->path()))
        qFatal("Cannot enter %s", qPrintable(directory->path()));
}
