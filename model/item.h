#ifndef ITEM_H
#define ITEM_H

#include "model/itemseries.h"
#include "model/itemstate.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Authors;
class File;
class FileList;
class ItemRows;

// What every library entry has: the items row, its author links and its files. Books and web pages
// derive from it and add their own table. The record that the program shares (see Records) tells its
// holders of every change through its own signals.
class Item : public QObject
{
    Q_OBJECT

public:
    Item(QObject *parent, int iid);
    // From the rows of a bulk read, without a statement of its own.
    Item(QObject *parent, int iid, const ItemRows &rows);
    ~Item() override;

    static inline const QString DefaultCover = QStringLiteral(":/icons/images/book.png");

    int getIid() const { return iid; }
    void setIid(int iid);
    QString getType() const { return type; }
    void setType(const QString &type);
    QString getCoverFile() const { return coverFile; }
    void setCoverFile(const QString &coverFile);
    int getRating() const { return rating; }
    // In memory only; updateRating() stores it.
    void setRating(int rating);
    ItemState getState() const { return state; }
    // In memory only; the next save stores it.
    void setState(const ItemState &state);
    // In memory only; the next save stores them.
    QStringList getTags() const { return tags; }
    void setTags(const QStringList &tags);
    ItemSeries getSeries() const { return series; }
    void setSeries(const ItemSeries &series);
    quint32 getCreated() const { return created; }
    quint32 getUpdated() const { return updated; }
    Authors *getAuthors() const { return authors.get(); }
    FileList *getFiles() const { return files.get(); }
    QString getMainFilePath() const;

    void addAuthor(const QString &name);
    File *addFile(const QString &path);
    bool saveFiles();

    bool save();
    // Why the last save of a derived record fell short, in the database's words; empty after a whole save.
    QString saveFailure() const { return lastSaveFailure; }
    int dbInsert();
    bool dbUpdate();
    bool updateRating(int rating);
    bool moveCover(const QString &newPath);
    bool dbUpdateCover();
    // Takes the stored rows out; a derived record takes its own row too.
    virtual bool remove();

    // Tells every holder that the record changed in memory, so that they show it again.
    void announceChange();
    // Tells every holder that the item's rows are gone, so that they let the record go.
    void announceRemoval();

signals:
    void changed(Item *record);
    void removed(int iid);

protected:
    // Reads the stored item part again: rating, cover, authors and files.
    void reload();
    // save, but a new record is stored whole or not at all: after a failed save remove takes its rows
    // out again, its cover goes back, and forgetOwnRow makes the derived part new, so that a later save
    // starts afresh. An edit keeps what could be stored, as a plain save does.
    bool saveOrUndo(const std::function<bool()> &save, const std::function<bool()> &remove,
                    const std::function<void()> &forgetOwnRow);

    // The save of a derived record, in one transaction: the item part, then its own row (saveRow inserts
    // or updates it), the files and the cover in the data directory. Every step runs even after a failed
    // one, so as much as possible is stored; true when all of it was.
    bool saveWithRow(const char *keyName, int key, const std::function<bool()> &saveRow);

private:
    // The text of the item's files leaves the full-text index.
    void forgetFullText() const;
    // Puts the cover at its stored name in the data directory. True when it is there, or when there is
    // nothing to move (the built-in image, a missing file); false when a move was needed and failed.
    bool placeCoverIn(const QString &dataDir);

    Q_DISABLE_COPY_MOVE(Item)

    void dbRead();
    void fill(const ItemRows &rows);
    void fillItemRow(const QVariantList &row);
    void fillStateRow(const QVariantList &row);
    // The stored tags and series.
    void readLabels();
    void fillSeriesRow(const QVariantList &row);
    bool saveAuthorLinks();
    bool saveState();

    int rating = 0;
    std::unique_ptr<Authors> authors;
    std::unique_ptr<FileList> files;
    int iid;
    QString coverFile;
    QString type;
    quint32 created = 0;
    quint32 updated = 0;
    QString lastSaveFailure;
    ItemState state;
    QStringList tags;
    ItemSeries series;
};

#endif // ITEM_H
