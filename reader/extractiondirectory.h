#ifndef EXTRACTIONDIRECTORY_H
#define EXTRACTIONDIRECTORY_H

#include <QString>

// Where books are unpacked: a level private to the user below the system temporary directory, then
// "Shelvio/" and the content digest. The temporary directory is shared by every local user, who could
// create a directory of that name first or plant links in it, so the private level is made with mode
// 0700 and trusted only while it is a real directory of the user's own that nobody else may enter.
class ExtractionDirectory
{
public:
    // The private level, whether it exists or not.
    static QString privateRoot();

    // The directory for a book with this digest, created when missing; empty when it cannot be made
    // or the private level is not to be trusted.
    static QString forDigest(const QString &digest);

private:
    static bool ensurePrivateRoot(const QString &root);
};

#endif // EXTRACTIONDIRECTORY_H
