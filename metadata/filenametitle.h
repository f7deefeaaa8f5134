#ifndef FILENAMETITLE_H
#define FILENAMETITLE_H

#include <QString>

// The search title proposed for a book file: its name without the extension, with separators turned
// into spaces and everything but ASCII letters, digits, underscores and spaces dropped.
class FileNameTitle
{
public:
    // fileName is the name without its folder; extension is the text after its last dot, as written.
    static QString derive(const QString &fileName, const QString &extension);
};

#endif // FILENAMETITLE_H
