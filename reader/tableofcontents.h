#ifndef TABLEOFCONTENTS_H
#define TABLEOFCONTENTS_H

#include <QList>
#include <QString>
#include <QStringList>

class BookFolder;
class QXmlStreamReader;

// The table of contents of a book, read from its NCX file: the entries of the navigation map as links
// for the contents pane, and the chapter file each of them names.
//
// The top-level navigation points make the entries: their labels are paired with their targets in
// order, and only when there are as many of each. Nested points follow their parent, indented. An entry
// whose file lies outside the book's folder is left out.
class TableOfContents
{
public:
    TableOfContents(const QString &ncxPath, const BookFolder &book);

    QString title() const { return docTitle; }
    // The directory the targets are relative to: the one holding the NCX file.
    QString baseDirectory() const { return base; }
    // The file of every entry, in order, duplicates kept.
    QStringList chapterFiles() const;
    QString html() const;
    static QString styleSheet();

private:
    struct NavPoint
    {
        QStringList labels;
        QStringList targets;
        QList<NavPoint> children;
    };
    struct Entry
    {
        QString label;
        QString target;
        int depth = 0;
    };

    void read(QXmlStreamReader &xml);
    static NavPoint readNavPoint(QXmlStreamReader &xml);
    void makeEntries(const QList<NavPoint> &topLevel);
    void appendNested(const QList<NavPoint> &points, int depth);
    QString chapterFile(const Entry &entry) const;

    QString base;
    QString docTitle;
    QList<Entry> entries;
};

#endif // TABLEOFCONTENTS_H
