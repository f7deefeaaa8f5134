#ifndef FILEDESCRIPTION_H
#define FILEDESCRIPTION_H

#include <QString>
#include <QStringList>

// What a book file says of itself when it is added. A PDF gives the title and authors its metadata
// proposes and the ISBN that its first pages give, as a copyright page does; an EPUB gives what its package
// document says: title, authors, ISBN, publisher, date and description. Plain data, so that a worker can
// read it.
class FileDescription
{
public:
    static constexpr int PagesRead = 5;

    // A file that is neither a readable PDF nor a readable EPUB describes nothing but the title its name
    // proposes.
    static FileDescription read(const QString &path);

    // The ISBN when it is of that length, else empty.
    QString isbn13() const { return isbn.size() == 13 ? isbn : QString(); }
    QString isbn10() const { return isbn.size() == 10 ? isbn : QString(); }

    QString path;
    bool readable = false;
    QString title;
    QStringList authors;
    QString isbn;
    QString publisher;
    // As the file writes it: "2019", "2019-05-01" or "2019-05-01T00:00:00Z".
    QString published;
    QString description;

private:
    void readPdf();
    void readEpub();
};

#endif // FILEDESCRIPTION_H
