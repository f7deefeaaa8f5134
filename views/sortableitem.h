#ifndef SORTABLEITEM_H
#define SORTABLEITEM_H

#include <QCollatorSortKey>
#include <QString>
#include <QTableWidgetItem>

#include <optional>

struct ViewItem;

// A table cell that sorts as a reader expects: text by the language's rules (case and accents aside,
// numbers in numeric order: "Chapter 2" before "chapter 10"), numbers and dates by their values.
class SortableItem : public QTableWidgetItem
{
public:
    enum class Order { Text, Number, Date };

    explicit SortableItem(const QString &text, Order order = Order::Text);

    // The tool tip is written from the item when it is shown, so that a large table keeps none in memory.
    void setToolTipSource(const ViewItem *item, QString (*write)(const ViewItem &));

    QVariant data(int role) const override;
    void setData(int role, const QVariant &value) override;
    bool operator<(const QTableWidgetItem &other) const override;

    // The key of a date or time written with its largest unit first ("2005", "2005-11-15", "2026-03-14 09:30"):
    // its digits in place; -1 for text without a year.
    static double dateKey(const QString &text);
    // Lower case, without accents: what the text comparison looks at.
    static QString folded(const QString &text);

private:
    void updateKey();

    Order order;
    QString textKey;
    // Made at the first comparison: a sort compares each cell many times, and keys compare fast.
    mutable std::optional<QCollatorSortKey> sortKey;
    double numberKey = -1;
    const ViewItem *toolTipSource = nullptr;
    QString (*writeToolTip)(const ViewItem &) = nullptr;
};

#endif // SORTABLEITEM_H
