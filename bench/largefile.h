#ifndef LARGEFILE_H
#define LARGEFILE_H

#include <QString>

// A PDF-headed file of real bytes (not a sparse file, which would read as zeros without touching the
// disk), removed again when the object goes.
class LargeFile
{
public:
    LargeFile(const QString &path, qint64 size);
    ~LargeFile();

    // False, with the reason, when the file could not be written whole.
    bool write(QString *error);
    QString path() const { return filePath; }

private:
    Q_DISABLE_COPY_MOVE(LargeFile)

    QString filePath;
    qint64 size;
};

#endif // LARGEFILE_H
