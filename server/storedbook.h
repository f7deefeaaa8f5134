#ifndef STOREDBOOK_H
#define STOREDBOOK_H

#include <QJsonObject>
#include <QList>
#include <QString>

// What the sign-in page shows of a synced book, taken from its JSON once when it arrives and kept in
// columns of its own, so that listing an account's books never parses their JSON (covers included).
class StoredBook
{
public:
    struct File
    {
        QString name;
        qint64 size = 0;
        QString md5;
    };

    StoredBook() = default;
    explicit StoredBook(const QJsonObject &book);
    StoredBook(QString title, QString authors, QString tags, QString series, const QString &fileColumn);

    QString title() const { return m_title; }
    // The authors' names, joined with ", ".
    QString authors() const { return m_authors; }
    // The tags' names, joined with ", ".
    QString tags() const { return m_tags; }
    // The series' name and the book's number in it: "The Expanse [2.5]".
    QString series() const { return m_series; }
    QList<File> files() const { return m_files; }
    // One line per file: digest, size and name, separated by tabs.
    QString fileColumn() const;

private:
    QString m_title;
    QString m_authors;
    QString m_tags;
    QString m_series;
    QList<File> m_files;
};

#endif // STOREDBOOK_H
