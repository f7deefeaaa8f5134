#include "model/item.h"

#include "model/author.h"
#include "model/authors.h"
#include "model/filelist.h"
#include "model/fulltextrows.h"
#include "model/itemrows.h"
#include "model/labelstore.h"
#include "model/librarydatabase.h"
#include "model/preparedquery.h"
#include "model/records.h"
#include "model/savetransaction.h"
#include "model/timestamp.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString UpdateCoverStatement = QStringLiteral("UPDATE items SET coverFile = :coverFile WHERE iid = :iid");

bool storeCoverPath(int iid, const QString &path)
{
    PreparedQuery query(UpdateCoverStatement);
    query->bindValue(QStringLiteral(":iid"), iid);
    query->bindValue(QStringLiteral(":coverFile"), path);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return false;
    }
    return true;
}

} // namespace

Item::Item(QObject *parent, int iid)
    : QObject(parent)
    , authors(std::make_unique<Authors>())
    , files(std::make_unique<FileList>(0))
    , iid(iid)
{
    if (iid > 0)
        dbRead();
    if (coverFile.isEmpty())
        coverFile = DefaultCover;
}

Item::Item(QObject *parent, int iid, const ItemRows &rows)
    : QObject(parent)
    , authors(std::make_unique<Authors>())
    , files(std::make_unique<FileList>(0))
    , iid(iid)
{
    fill(rows);
    if (coverFile.isEmpty())
        coverFile = DefaultCover;
}

Item::~Item() = default;

void Item::reload()
{
    authors = std::make_unique<Authors>();
    files = std::make_unique<FileList>(iid);
    coverFile.clear();
    state = {};
    dbRead();
    if (coverFile.isEmpty())
        coverFile = DefaultCover;
}

bool Item::saveOrUndo(const std::function<bool()> &save, const std::function<bool()> &remove,
                      const std::function<void()> &forgetOwnRow)
{
    const bool isNew = iid < 1;
    const QString coverBefore = coverFile;
    SaveTransaction transaction;
    const bool saved = save();
    if (saved || !isNew) {
        const bool committed = transaction.commit();
        if (!committed && lastSaveFailure.isEmpty())
            lastSaveFailure = transaction.failure();
        if (!isNew || committed)
            return saved && committed;
    }
    // Inside an outer transaction the rollback is its owner's, so the rows are taken out here too.
    if (iid > 0)
        remove();
    transaction.rollback();
    // The cover may already sit under the id just given up; it goes back where it came from.
    if (coverFile != coverBefore && QFile::rename(coverFile, coverBefore))
        coverFile = coverBefore;
    // Every id the rolled-back rows had is free again; keeping one would link the retry to a stranger's row.
    iid = -1;
    files->forgetRows();
    authors->forgetInsertedRows();
    forgetOwnRow();
    return false;
}

void Item::dbRead()
{
    PreparedQuery item(QStringLiteral("SELECT * FROM items WHERE iid = :iid LIMIT 1"));
    item->bindValue(QStringLiteral(":iid"), iid);
    if (item.exec() && item->next())
        fillItemRow(ItemRows::values(*item, 6));

    PreparedQuery links(QStringLiteral("SELECT * FROM items_authors WHERE items_authors.iid = :iid"));
    links->bindValue(QStringLiteral(":iid"), iid);
    if (links.exec()) {
        while (links->next())
            authors->addById(links->value(1).toInt());
    }

    PreparedQuery states(
        QStringLiteral("SELECT language, own, location, readDate, want FROM itemstates WHERE iid = :iid LIMIT 1"));
    states->bindValue(QStringLiteral(":iid"), iid);
    if (states.exec() && states->next())
        fillStateRow(ItemRows::values(*states, 5));

    readLabels();

    PreparedQuery fileIds(QStringLiteral("SELECT fid FROM files WHERE iid = :iid"));
    fileIds->bindValue(QStringLiteral(":iid"), iid);
    if (fileIds.exec()) {
        while (fileIds->next())
            files->addById(fileIds->value(0).toInt());
    }
    files->setIid(iid);
}

void Item::fill(const ItemRows &rows)
{
    if (const ItemRows::Row *row = rows.item(iid))
        fillItemRow(*row);
    for (const int aid : rows.authorIds(iid)) {
        // A link to a removed author reads as an empty author, as it does record by record.
        if (const ItemRows::Row *author = rows.author(aid))
            authors->addRow(*author);
        else
            authors->addById(aid);
    }
    if (const ItemRows::Row *row = rows.state(iid))
        fillStateRow(*row);
    tags = rows.tags(iid);
    if (const ItemRows::Row *row = rows.series(iid))
        fillSeriesRow(*row);
    for (const ItemRows::Row &file : rows.files(iid))
        files->addRow(file);
    files->setIid(iid);
}

void Item::fillItemRow(const QVariantList &row)
{
    type = row.value(1).toString();
    coverFile = row.value(2).toString();
    created = row.value(3).toUInt();
    updated = row.value(4).toUInt();
    rating = row.value(5).toInt();
}

void Item::fillStateRow(const QVariantList &row)
{
    state = {row.value(0).toString(), row.value(1).toBool(), row.value(2).toString(), row.value(3).toString(),
             row.value(4).toBool()};
}

void Item::readLabels()
{
    tags.clear();
    series = {};
    PreparedQuery tagNames(LabelStore::tagsStatement(QStringLiteral("(:iid)")));
    tagNames->bindValue(QStringLiteral(":iid"), iid);
    if (tagNames.exec()) {
        while (tagNames->next())
            tags.append(tagNames->value(1).toString());
    }
    PreparedQuery seriesRow(LabelStore::seriesStatement(QStringLiteral("(:iid)")));
    seriesRow->bindValue(QStringLiteral(":iid"), iid);
    if (seriesRow.exec() && seriesRow->next())
        fillSeriesRow(ItemRows::values(*seriesRow, 3));
}

void Item::fillSeriesRow(const QVariantList &row)
{
    const QVariant position = row.value(2);
    series = {row.value(1).toString(), position.isNull() ? std::nullopt : std::optional(position.toDouble())};
}

void Item::setIid(int iid)
{
    this->iid = iid;
}

void Item::setType(const QString &type)
{
    this->type = type;
}

void Item::setCoverFile(const QString &coverFile)
{
    this->coverFile = coverFile;
}

void Item::setRating(int rating)
{
    this->rating = rating;
}

QString Item::getMainFilePath() const
{
    return files->firstPath();
}

void Item::addAuthor(const QString &name)
{
    authors->addByName(name);
}

File *Item::addFile(const QString &path)
{
    files->setIid(iid);
    return files->add(path);
}

bool Item::saveFiles()
{
    files->setIid(iid);
    return files->saveAll();
}

bool Item::save()
{
    bool stored;
    if (iid < 1)
        stored = dbInsert() > 0;
    else
        stored = dbUpdate();
    stored = authors->saveAll() && stored;
    // Without an id, links would name no item and outlive the failed insert.
    if (iid < 1)
        return false;
    stored = saveState() && stored;
    stored = LabelStore::saveTags(iid, tags) && stored;
    stored = LabelStore::saveSeries(iid, series) && stored;
    // A name stored before keeps its spelling, which the record shows from now on.
    if (!tags.isEmpty() || !series.isEmpty())
        readLabels();
    return saveAuthorLinks() && stored;
}

void Item::setState(const ItemState &state)
{
    this->state = state;
}

void Item::setTags(const QStringList &tags)
{
    this->tags = LabelStore::normalized(tags);
}

void Item::setSeries(const ItemSeries &series)
{
    this->series = {LabelStore::normalized(series.name), series.position};
    if (this->series.isEmpty())
        this->series.position.reset();
}

bool Item::saveState()
{
    if (state.isEmpty())
        return PreparedQuery::execForItem(QStringLiteral("DELETE FROM itemstates WHERE iid = :iid"), iid);
    PreparedQuery query(QStringLiteral("INSERT OR REPLACE INTO itemstates (iid, language, own, location, readDate, "
                                       "want) VALUES (:iid, :language, :own, :location, :readDate, :want)"));
    query->bindValue(QStringLiteral(":iid"), iid);
    query->bindValue(QStringLiteral(":language"), state.language);
    query->bindValue(QStringLiteral(":own"), int(state.own));
    query->bindValue(QStringLiteral(":location"), state.location);
    query->bindValue(QStringLiteral(":readDate"), state.readDate);
    query->bindValue(QStringLiteral(":want"), int(state.want));
    return query.exec();
}

bool Item::saveAuthorLinks()
{
    bool allLinked = PreparedQuery::execForItem(
        QStringLiteral("DELETE FROM items_authors                  WHERE iid = :iid"), iid);

    PreparedQuery query(QStringLiteral(
        "INSERT INTO items_authors                  (iid, aid)                  VALUES                  (:iid, :aid)"));
    for (int index = 0; index < authors->count(); ++index) {
        query->bindValue(QStringLiteral(":iid"), iid);
        query->bindValue(QStringLiteral(":aid"), authors->at(index)->getAid());
        allLinked = query.exec() && allLinked;
    }
    return allLinked;
}

int Item::dbInsert()
{
    const quint32 now = Timestamp::now();
    PreparedQuery query(
        QStringLiteral("INSERT INTO items                  (type, created, updated, rating)                  "
                       "VALUES                  (:type, :created, :updated, :rating)"));
    query->bindValue(QStringLiteral(":type"), type);
    query->bindValue(QStringLiteral(":created"), now);
    query->bindValue(QStringLiteral(":updated"), now);
    query->bindValue(QStringLiteral(":rating"), rating);
    if (!query.exec()) {
        qDebug() << query->lastError();
        return -1;
    }
    iid = query->lastInsertId().toInt();
    return iid;
}

bool Item::dbUpdate()
{
    if (iid < 1)
        return false;
    const quint32 now = Timestamp::now();
    PreparedQuery query(
        QStringLiteral("UPDATE items SET updated = :updated, type = :type, rating=:rating WHERE iid = :iid"));
    query->bindValue(QStringLiteral(":iid"), iid);
    query->bindValue(QStringLiteral(":type"), type);
    query->bindValue(QStringLiteral(":updated"), now);
    query->bindValue(QStringLiteral(":rating"), rating);
    if (!query.exec()) {
        qDebug() << query->lastQuery();
        qDebug() << query->lastError().text();
        return false;
    }
    return true;
}

bool Item::updateRating(int rating)
{
    this->rating = rating;
    if (!dbUpdate())
        return false;
    announceChange();
    return true;
}

void Item::announceChange()
{
    emit changed(this);
}

void Item::announceRemoval()
{
    Records::forget(this);
    emit removed(iid);
}

bool Item::moveCover(const QString &newPath)
{
    QFile cover(coverFile);
    // Only an existing, writable file moves; a missing one must not be created by the open.
    if (!cover.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    // rename() never overwrites, so a cover already at newPath stays where it is.
    if (!cover.rename(newPath))
        return false;
    if (!storeCoverPath(iid, newPath)) {
        // The row still names the old place: put the file back there.
        if (!cover.rename(coverFile))
            qDebug() << "cover could not be moved back to" << coverFile;
        return false;
    }
    coverFile = newPath;
    return true;
}

bool Item::dbUpdateCover()
{
    return storeCoverPath(iid, coverFile);
}

bool Item::saveWithRow(const char *keyName, int key, const std::function<bool()> &saveRow)
{
    SaveTransaction transaction;
    lastSaveFailure.clear();
    bool stored = save();
    // Every other row refers to the item by its id.
    if (iid < 1) {
        lastSaveFailure = transaction.failure();
        return false;
    }
    const bool newRow = key < 1;
    if (newRow)
        qDebug() << keyName << key;
    stored = saveRow() && stored;
    stored = saveFiles() && stored;
    if (!newRow)
        qDebug() << keyName << key;
    stored = placeCoverIn(LibraryDatabase::dataDirectory()) && stored;
    stored = transaction.commit() && stored;
    if (!stored)
        lastSaveFailure = transaction.failure();
    return stored;
}

bool Item::placeCoverIn(const QString &dataDir)
{
    if (iid < 1)
        return false;
    const QString target = dataDir + QString::number(iid) + QStringLiteral(".jpg");
    if (coverFile == target || coverFile.startsWith(u':') || !QFileInfo::exists(coverFile))
        return true;

    // A new cover replaces the one stored before. Keep the old one aside until the new one is in place.
    const QString previous = target + QStringLiteral(".previous");
    const bool replacing = QFileInfo::exists(target);
    if (replacing) {
        // A leftover of an earlier failed save; if it cannot go, the rename below fails and says so.
        QFile::remove(previous);
        if (!QFile::rename(target, previous))
            return false;
    }
    const bool moved = moveCover(target);
    if (replacing && !(moved ? QFile::remove(previous) : QFile::rename(previous, target)))
        qDebug() << "previous cover left at" << previous;
    if (!moved)
        SaveTransaction::noteFailure(
            QCoreApplication::translate("Item", "The cover could not be moved to %1.").arg(target));
    return moved;
}

void Item::forgetFullText() const
{
    QSqlQuery files;
    files.prepare(QStringLiteral("SELECT fid FROM files WHERE iid = :iid"));
    files.bindValue(QStringLiteral(":iid"), iid);
    if (!files.exec())
        return;
    while (files.next())
        FullTextRows::forget(QSqlDatabase::database(), files.value(0).toInt());
}

bool Item::remove()
{
    if (iid < 1)
        return false;

    QSqlQuery query;
    // SQLite accepts LIMIT on DELETE only when built for it; iid is the key, so the plain form is equal.
    if (!query.prepare(QStringLiteral("DELETE FROM items WHERE iid = :iid LIMIT 1")))
        query.prepare(QStringLiteral("DELETE FROM items WHERE iid = :iid"));
    query.bindValue(QStringLiteral(":iid"), iid);
    if (!query.exec()) {
        qDebug() << query.lastError();
        return false;
    }
    // The links and file rows follow the item; their outcome is not reported.
    PreparedQuery::execForItem(QStringLiteral("DELETE FROM items_authors                  WHERE iid = :iid"), iid);
    forgetFullText();
    PreparedQuery::execForItem(QStringLiteral("DELETE FROM files WHERE iid = :iid"), iid);
    PreparedQuery::execForItem(QStringLiteral("DELETE FROM itemstates WHERE iid = :iid"), iid);
    LabelStore::forget(iid);
    return true;
}
