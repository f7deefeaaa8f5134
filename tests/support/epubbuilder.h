#ifndef EPUBBUILDER_H
#define EPUBBUILDER_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Writes small book archives for the tests, hostile ones included: entries are stored under exactly
// the names given, and symbolic links can be added.
class EpubBuilder
{
public:
    EpubBuilder &add(const QString &name, const QByteArray &content);
    EpubBuilder &addSymlink(const QString &name, const QString &target);
    // META-INF/container.xml naming the package document, and the package document with a manifest
    // entry for each of the spine's documents, in that order (names relative to the package document),
    // the metadata elements given and the further manifest items.
    EpubBuilder &addPackage(const QString &packagePath, const QStringList &spine,
                            const QByteArray &metadata = "<dc:title>Test</dc:title>",
                            const QByteArray &manifestItems = {});
    bool write(const QString &path) const;

    // A book of one chapter whose package describes it: "The Dispossessed" by Ursula K. Le Guin (and an
    // editor), ISBN 9780306406157, "Harper & Row", "1974-05-01", the description "An ambiguous utopia." in
    // markup, and the cover image given, named the EPUB 2 way.
    static EpubBuilder describedBook(const QByteArray &coverImage);

    // An NCX document around the given navigation points.
    static QByteArray ncx(const QByteArray &navPoints);
    static QByteArray navPoint(const QString &label, const QString &src, const QByteArray &children = {});
    // An XHTML chapter with the anchors "a" and "b".
    static QByteArray chapter(const QString &title);

private:
    struct Entry
    {
        QString name;
        QByteArray content;
        bool symlink = false;
    };
    QList<Entry> entries;
};

#endif // EPUBBUILDER_H
