#ifndef LIBRARYCONNECTION_H
#define LIBRARYCONNECTION_H

#include <QString>

// The library database of a data directory on the default connection, opened as the program opens it;
// closed and removed again when the object goes, so that a main window can open it afresh.
class LibraryConnection
{
public:
    // dataDir ends in a separator, as the program keeps it in the settings.
    explicit LibraryConnection(const QString &dataDir);
    ~LibraryConnection();

    bool isOpen() const { return error.isEmpty(); }
    QString errorString() const { return error; }

    // Closes and removes the default connection, also the one a main window left behind.
    static void removeDefault();

private:
    Q_DISABLE_COPY_MOVE(LibraryConnection)

    QString error;
};

#endif // LIBRARYCONNECTION_H
