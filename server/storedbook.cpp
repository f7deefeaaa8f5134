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

QString tagNames(const QJsonValue &tags)
{
    QStringList names;
    for (const QJsonValue &tag : tags.toArray()) {
        if (!tag.toString().isEmpty())
            names.append(tag.toString());
    }
    return names.join(QStringLiteral(", "));
}

QString seriesName(const QJsonObject &book)
{
    const QString name = book.value(QStringLiteral("series")).toString();
    const QJsonValue position = book.value(QStringLiteral("seriesPosition"));
    if (name.isEmpty() || !position.isDouble())
        return name;
    return name + QStringLiteral(" [") + QString::number(position.toDouble()) + u']';
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
    , m_tags(tagNames(book.value(QStringLiteral("tags"))))
    , m_series(seriesName(book))
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

StoredBook::StoredBook(QString title, QString authors, QString tags, QString series, const QString &fileColumn)
    : m_title(std::move(title))
    , m_authors(std::move(authors))
    , m_tags(std::move(tags))
    , m_series(std::move(series))
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
