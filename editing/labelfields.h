#ifndef LABELFIELDS_H
#define LABELFIELDS_H

#include "model/itemseries.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class QCompleter;

namespace Ui {
class LabelFields;
}

// The tags and the series of an item in its properties dialog: tags typed with commas between them and
// completed from the stored ones, a series chosen or typed, with the place in it.
class LabelFields : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LabelFields)

public:
    explicit LabelFields(QWidget *parent = nullptr);
    ~LabelFields() override;

    void showLabels(const QStringList &tags, const ItemSeries &series);
    QStringList tags() const;
    ItemSeries series() const;
    // Puts the tags that are not there yet after those typed.
    void addTags(const QStringList &tags);

private:
    // The tag being typed: what follows the last comma.
    QString typedTag() const;
    void completeTag(const QString &tag);

    std::unique_ptr<Ui::LabelFields> ui;
    QCompleter *completer = nullptr;
};

#endif // LABELFIELDS_H
