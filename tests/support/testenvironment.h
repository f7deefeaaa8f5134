#ifndef TESTENVIRONMENT_H
#define TESTENVIRONMENT_H

#include <QString>
#include <QTemporaryDir>

#include <memory>

// Points HOME, the XDG directories and the working directory at a private temporary tree, and the
// temporary directory at a private one, and turns on QStandardPaths' test mode, so a test never reads
// or writes the user's real library, settings or temporary files.
// Create it before the application object; reset() gives the next test a fresh, empty tree.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    void reset();

    QString root() const;
    QString home() const;

private:
    Q_DISABLE_COPY_MOVE(TestEnvironment)

    void enter();

    QString originalDirectory;
    std::unique_ptr<QTemporaryDir> temporary;
    std::unique_ptr<QTemporaryDir> directory;
};

#endif // TESTENVIRONMENT_H
