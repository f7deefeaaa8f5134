#ifndef SORTABLEITEM_H
#define SORTABLEITEM_H

#include <QString>
#include <QTableWidgetItem>

// A table cell that sorts as a reader expects: text by the language's rules (case and accents aside,
// numbers in numeric order: "Chapter 2" before "chapter 10"), numbers and dates by their values.
class SortableItem : public QTableWidgetItem
{
public:
    enum class Order { Text, Number, Date };

    explicit SortableItem(const QString &text, Order order = Order::Text);

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
    double numberKey = -1;
};

#endif // SORTABLEITEM_H
