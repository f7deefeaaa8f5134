#include "model/authors.h"

#include "model/author.h"
#include "model/statementcache.h"

#include <QDebug>
#include <QSqlQuery>

Authors::Authors(QObject *parent)
    : QObject(parent)
{
}

Authors::~Authors() = default;

int Authors::count() const
{
    return static_cast<int>(authors.size());
}

Author *Authors::at(int index) const
{
    return index >= 0 && index < count() ? authors[index].get() : nullptr;
}

void Authors::addByName(const QString &name)
{
    if (heldNames.contains(name))
        return;
    append(std::make_unique<Author>(this, name), name);
}

void Authors::addById(int aid)
{
    appendStored(std::make_unique<Author>(this, aid));
}

void Authors::addRow(const QVariantList &row)
{
    appendStored(std::make_unique<Author>(this, row));
}

void Authors::appendStored(std::unique_ptr<Author> author)
{
    const QString name = author->getName();
    if (heldNames.contains(name)) {
        qDebug() << "duplicate name detected";
        return;
    }
    append(std::move(author), name);
}

void Authors::append(std::unique_ptr<Author> author, const QString &name)
{
    heldNames.insert(name);
    authors.push_back(std::move(author));
}

void Authors::loadAll()
{
    const StatementCache statements;
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT aid FROM authors WHERE 1 ORDER BY lastName ASC"));
    if (!query.exec()) {
        qDebug() << "error";
        return;
    }
    while (query.next())
        addById(query.value(0).toInt());
}

bool Authors::saveAll()
{
    bool allSaved = true;
    for (const auto &author : authors)
        allSaved = author->save() && allSaved;
    return allSaved;
}

void Authors::forgetInsertedRows()
{
    for (const auto &author : authors)
        author->forgetInsertedRow();
}

void Authors::clear()
{
    heldNames.clear();
    authors.clear();
}

QString Authors::names() const
{
    QStringList list;
    list.reserve(count());
    for (const auto &author : authors)
        list.append(author->getName());
    return list.join(QStringLiteral(", "));
}

QVariant Authors::toVariant() const
{
    QVariantList list;
    list.reserve(count());
    for (const auto &author : authors)
        list.append(author->toVariant());
    return list;
}
