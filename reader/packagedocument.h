#ifndef PACKAGEDOCUMENT_H
#define PACKAGEDOCUMENT_H

#include <QString>
#include <QStringList>

class BookFolder;
class QXmlStreamReader;

// The reading order of an unpacked book: the spine of the package document that
// META-INF/container.xml names.
class PackageDocument
{
public:
    // The absolute, cleaned paths of the spine's documents that exist inside the book's folder, in
    // reading order, each once; empty when the book has no readable spine.
    static QStringList spine(const QString &bookDirectory);
    // What META-INF/container.xml names as the package document, relative to the book's root.
    static QString rootFile(QXmlStreamReader &container);
    // The spine's document references in reading order, relative to the package document, as written.
    static QStringList spineReferences(QXmlStreamReader &package);

private:
    static QString packagePath(const QString &bookDirectory, const BookFolder &book);
    static QStringList readSpine(QXmlStreamReader &xml, const QString &packageDirectory, const BookFolder &book);
};

#endif // PACKAGEDOCUMENT_H
