#include "tests/support/fixtures.h"

#include <QFile>

QByteArray Fixtures::read(const QString &name)
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read fixture %s", qPrintable(name));
    return file.readAll();
}

QString Fixtures::path(const QString &name)
{
    return QStringLiteral(FIXTURES_DIR "/") + name;
}
