#ifndef PACKAGEMETADATA_H
#define PACKAGEMETADATA_H

#include <QString>
#include <QStringList>

class QXmlStreamReader;

// What an EPUB's package document says of its book: the Dublin Core elements of its metadata, and the
// manifest item that holds the cover image, as EPUB 3 marks it ("cover-image") or EPUB 2 names it
// (<meta name="cover">).
class PackageMetadata
{
public:
    static PackageMetadata read(QXmlStreamReader &package);

    // Each text simplified; the first of each element but creators and identifiers.
    QString title;
    // The authors: creators without a role or with the role "aut".
    QStringList creators;
    QStringList identifiers;
    QString publisher;
    QString date;
    QString description;
    // Relative to the package document, as the manifest writes it; empty when the book names no cover.
    QString coverReference;
};

#endif // PACKAGEMETADATA_H
