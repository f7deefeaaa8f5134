#ifndef STARTUP_H
#define STARTUP_H

#include <QString>

// What the program prepares before its window is built: the log engines, the settings with the library
// and data directories, and the library database on the default connection.
class Startup
{
public:
    // False when the library database cannot be opened. The user has been told then, and the program ends:
    // running on without a library would lose everything the user adds.
    static bool prepare();

private:
    static void setupLogging();
    // Reads the directories from the settings, or chooses and stores them on a first start; makes them
    // when missing. Returns the data directory.
    static QString prepareDirectories();
    static bool openLibrary(const QString &dataDir);
};

#endif // STARTUP_H
