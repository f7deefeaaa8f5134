#ifndef AUTHOR_H
#define AUTHOR_H

#include <QString>
#include <QVariant>

class Authors;
class QSqlQuery;

// One person, shared by every item that links to the row.
class Author
{
public:
    // Reads the stored author with that id; an id below 0 gives an empty, unsaved author.
    Author(Authors *owner, int aid);
    // From the authors row of a bulk read (see ItemRows).
    Author(Authors *owner, const QVariantList &row);
    // Finds the stored author of that name (ASCII letters in any case) or prepares a new one.
    Author(Authors *owner, const QString &name);

    void setName(const QString &name);
    bool save();
    // After the save that inserted the row was rolled back: the author is new again.
    void forgetInsertedRow();

    int getAid() const { return aid; }
    QString getName() const { return name; }
    QString getFirstName() const { return firstName; }
    QString getLastName() const { return lastName; }

    static QString aidToName(int aid);
    QVariant toVariant() const;

private:
    void fillFrom(QSqlQuery &query);
    void fill(const QVariantList &row);

    int aid = 0;
    // The last save inserted the row, so its id stands or falls with that save.
    bool inserted = false;
    QString name;
    QString firstName;
    QString lastName;
};

#endif // AUTHOR_H
