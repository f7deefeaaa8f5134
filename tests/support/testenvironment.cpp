#include "tests/support/testenvironment.h"

#include "sandbox/isolatedhome.h"

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
    return IsolatedHome::home(directory->path());
}

void TestEnvironment::enter()
{
    directory = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/shelvio-test-XXXXXX"));
    if (!directory->isValid())
        qFatal("Cannot create a temporary test directory: %s", qPrintable(directory->errorString()));
    const QString error = IsolatedHome::enter(directory->path());
    if (!error.isEmpty())
        qFatal("%s", qPrintable(error));
    // QSettings works out its directory once per process; a fresh tree needs it told again.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}
