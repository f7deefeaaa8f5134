#ifndef FIXTURES_H
#define FIXTURES_H

#include <QByteArray>
#include <QString>

// The recorded service replies in tests/fixtures.
class Fixtures
{
public:
    // The file's bytes; a missing fixture ends the test run, since every check after it would mislead.
    static QByteArray read(const QString &name);
    static QString path(const QString &name);
};

#endif // FIXTURES_H
