#include "model/author.h"

#include "model/itemrows.h"
#include "model/likepattern.h"
#include "model/preparedquery.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

Author::Author(Authors *, int aid)
    : aid(aid)
{
    if (aid < 0)
        return;
    PreparedQuery query(QStringLiteral("SELECT * FROM authors WHERE aid = :aid LIMIT 1"));
    query->bindValue(QStringLiteral(":aid"), aid);
    // A failed read is the same as no row: the author stays empty.
    query.exec();
    fillFrom(*query);
}

Author::Author(Authors *, const QVariantList &row)
{
    fill(row);
}

Author::Author(Authors *, const QString &name)
    : name(name)
{
    if (name.isEmpty())
        return;
    PreparedQuery query(QStringLiteral("SELECT * FROM authors WHERE name LIKE :name ESCAPE '\\' LIMIT 1"));
    query->bindValue(QStringLiteral(":name"), LikePattern::exact(name));
    // A failed lookup is the same as no match: a new author is prepared.
    query.exec();
    fillFrom(*query);
    // The name as given wins over the stored spelling; a found row keeps its id, so save() updates it.
    setName(name);
}

void Author::fillFrom(QSqlQuery &query)
{
    // Without a row the author stays unsaved with empty names.
    if (!query.next()) {
        aid = 0;
        name.clear();
        firstName.clear();
        lastName.clear();
        return;
    }
    fill(ItemRows::values(query, 4));
}

void Author::fill(const QVariantList &row)
{
    aid = row.value(0).toInt();
    name = row.value(1).toString();
    firstName = row.value(2).toString();
    lastName = row.value(3).toString();
}

void Author::setName(const QString &name)
{
    this->name = name;
    lastName = name.split(u' ').constLast().trimmed();
    firstName = QString(name).remove(lastName).trimmed();
}

bool Author::save()
{
    const bool isNew = aid <= 0;
    PreparedQuery query(
        isNew ? QStringLiteral("INSERT INTO authors                  (aid, name, firstName, lastName)       "
                               "           VALUES                  (:aid, :name, :firstName, :lastName)")
              : QStringLiteral("UPDATE authors SET                      name = :name, firstName = "
                               ":firstName, lastName = :lastName                     WHERE aid = :aid"));
    // A null id lets the database choose it.
    query->bindValue(QStringLiteral(":aid"), isNew ? QVariant(QMetaType::fromType<int>()) : QVariant(aid));
    query->bindValue(QStringLiteral(":name"), name);
    query->bindValue(QStringLiteral(":firstName"), firstName);
    query->bindValue(QStringLiteral(":lastName"), lastName);
    inserted = false;
    if (!query.exec())
        return false;
    if (isNew) {
        aid = query->lastInsertId().toInt();
        inserted = true;
    }
    return true;
}

void Author::forgetInsertedRow()
{
    if (!inserted)
        return;
    inserted = false;
    aid = 0;
}

QString Author::aidToName(int aid)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT name FROM authors WHERE aid = :aid LIMIT 1"));
    query.bindValue(QStringLiteral(":aid"), aid);
    if (!query.exec()) {
        qDebug() << "sql error:"
                 << "aidToName in Author" << query.lastError();
        return QString();
    }
    return query.next() ? query.value(0).toString() : QString();
}

QVariant Author::toVariant() const
{
    const QVariantMap map{
        {QStringLiteral("name"), name},
        {QStringLiteral("lastName"), lastName},
        {QStringLiteral("firstName"), firstName},
    };
    return map;
}
