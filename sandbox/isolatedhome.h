#ifndef ISOLATEDHOME_H
#define ISOLATEDHOME_H

#include <QString>

// Points HOME and the XDG directories at "home" below a private folder and makes that folder the working
// directory, so whatever runs there (the program in a test or a benchmark) never reads or writes the
// user's real library, settings or log files.
class IsolatedHome
{
public:
    // Empty on success, else why the tree could not be made.
    static QString enter(const QString &folder);
    static QString home(const QString &folder);
};

#endif // ISOLATEDHOME_H
