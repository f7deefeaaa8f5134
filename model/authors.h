#ifndef AUTHORS_H
#define AUTHORS_H

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <unordered_set>
#include <vector>

class Author;

// An ordered collection of authors that holds at most one author of each exact name. It owns its authors.
class Authors : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Authors)

public:
    explicit Authors(QObject *parent = nullptr);
    ~Authors() override;

    int count() const;
    Author *at(int index) const;

    void addByName(const QString &name);
    void addById(int aid);
    // The same, from the authors row of a bulk read.
    void addRow(const QVariantList &row);
    void loadAll();
    bool saveAll();
    // The authors whose rows a rolled-back save inserted become new again.
    void forgetInsertedRows();
    void clear();

    QString names() const;
    QVariant toVariant() const;

private:
    void append(std::unique_ptr<Author> author, const QString &name);
    void appendStored(std::unique_ptr<Author> author);

    std::vector<std::unique_ptr<Author>> authors;
    // Every item holds its authors, mostly one to three: a set that starts small, where a QHash would
    // reserve room for dozens of names per item.
    std::unordered_set<QString> heldNames;
};

#endif // AUTHORS_H
