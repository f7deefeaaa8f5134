#ifndef FILETESTING_H
#define FILETESTING_H

#include <QByteArray>
#include <QColor>
#include <QString>

// The contents of files as the tests write and compare them.
class FileTesting
{
public:
    // The file's bytes; empty when it cannot be read, which the comparison then shows.
    static QByteArray readFile(const QString &path);
    static QString md5Of(const QByteArray &bytes);
    // A small PNG picture in one colour, as the bytes of its file.
    static QByteArray pngImage(QColor colour);
    // The path without links or "..", so that two spellings of one folder compare equal.
    static QString canonical(const QString &path);
};

#endif // FILETESTING_H
