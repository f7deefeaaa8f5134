#ifndef BENCHENVIRONMENT_H
#define BENCHENVIRONMENT_H

#include <QString>
#include <QTemporaryDir>

// A private temporary tree for the whole run: HOME, the XDG directories, TMPDIR and the working directory
// point into it, and the outside services at an address where nothing listens, so the benchmark never
// reads or writes a real library, settings or service. Create it before the application object, which
// reads the environment once.
class BenchEnvironment
{
public:
    BenchEnvironment();
    ~BenchEnvironment();

    bool isValid() const { return error.isEmpty(); }
    QString errorString() const { return error; }

    QString root() const;
    QString home() const;

    // Closed on every ordinary machine, so a request there is refused at once.
    static constexpr const char *UnreachableService = "http://127.0.0.1:1/";

private:
    Q_DISABLE_COPY_MOVE(BenchEnvironment)

    QString prepare();

    QString originalDirectory;
    QTemporaryDir directory;
    QString error;
};

#endif // BENCHENVIRONMENT_H
