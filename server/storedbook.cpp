#include "server/storedbook.h"

#include <QJsonArray>
#include <QStringList>

#include <utility>

namespace {

// The book's JSON keeps numbers as decimal text; tolerate real numbers as well.
QString text(const QJsonValue &value)
{
    if (value.isDouble())
        return QString::number(value.toInteger());
    return value.toString();
}

QString authorNames(const QJsonValue &authors)
{
    QStringList names;
    for (const QJsonValue &author : authors.toArray()) {
        const QString name
            = author.isObject() ? author.toObject().value(QStringLiteral("name")).toString() : author.toString();
        if (!name.isEmpty())
            names.append(name);
    }
    return names.join(QStringLiteral(", "));
}

// Tabs and line breaks separate the column's fields and lines; in a name they are only spaces.
QString flattened(QString name)
{
    for (QChar &c : name) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return name;
}

} // namespace

StoredBook::StoredBook(const QJsonObject &book)
    : m_title(book.value(QStringLiteral("title")).toString())
    , m_authors(authorNames(book.value(QStringLiteral("authors"))))
{
    for (const QJsonValue &value : book.value(QStringLiteral("files")).toArray()) {
        const QJsonObject file = value.toObject();
        QString name = file.value(QStringLiteral("fileName")).toString();
        if (name.isEmpty())
            name = file.value(QStringLiteral("filePath")).toString();
        m_files.append({flattened(name), text(file.value(QStringLiteral("fileSize"))).toLongLong(),
                        file.value(QStringLiteral("fileMd5")).toString().toLower()});
    }
}

StoredBook::StoredBook(QString title, QString authors, const QString &fileColumn)
    : m_title(std::move(title))
    , m_authors(std::move(authors))
{
    for (const QString &line : fileColumn.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3)
            m_files.append({fields.at(2), fields.at(1).toLongLong(), fields.at(0)});
    }
}

QString StoredBook::fileColumn() const
{
    QStringList lines;
    for (const File &file : m_files)
        lines.append(QStringList{flattened(file.md5), QString::number(file.size), file.name}.join(u'\t'));
    return lines.join(u'\n');
}
