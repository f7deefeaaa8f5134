#include "views/itemorder.h"

#include "model/viewitem.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

const QCollator &collator()
{
    static const QCollator ordering = [] {
        // The C locale would ignore the numeric mode.
        const QLocale system;
        QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : system);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        return collator;
    }();
    return ordering;
}

} // namespace

ItemOrder::ItemOrder(const QList<ItemColumns::Column> &columns)
    : columns(columns)
{
}

void ItemOrder::assign(QList<ViewItem *> items)
{
    sorted = std::move(items);
    sort(sortColumn, sortOrder);
}

const ItemColumns::Column *ItemOrder::orderingColumn() const
{
    for (const ItemColumns::Column &column : columns) {
        if (column.index == sortColumn)
            return &column;
    }
    return nullptr;
}

void ItemOrder::sort(int column, Qt::SortOrder order)
{
    sortColumn = column;
    sortOrder = order;
    const ItemColumns::Column *ordering = orderingColumn();
    if (!ordering)
        return;
    if (ordering->order == ItemColumns::Order::Text) {
        // Keys made once per item and dropped after the sort: a sort compares each item many times.
        sortBy<QCollatorSortKey>(
            [ordering](const ViewItem &item) { return collator().sortKey(folded(ordering->sortText(item))); });
    } else {
        sortBy<double>([this](const ViewItem &item) { return numberKey(item); });
    }
}

template<typename Key, typename MakeKey>
void ItemOrder::sortBy(MakeKey makeKey)
{
    std::vector<std::pair<Key, ViewItem *>> keyed;
    keyed.reserve(sorted.size());
    for (ViewItem *item : std::as_const(sorted))
        keyed.emplace_back(makeKey(*item), item);
    const auto less = [](const auto &first, const auto &second) {
        if constexpr (std::is_same_v<Key, double>)
            return first.first < second.first;
        else
            return first.first.compare(second.first) < 0;
    };
    if (sortOrder == Qt::AscendingOrder)
        std::stable_sort(keyed.begin(), keyed.end(), less);
    else
        std::stable_sort(keyed.begin(), keyed.end(),
                         [&less](const auto &first, const auto &second) { return less(second, first); });
    for (qsizetype index = 0; index < sorted.size(); ++index)
        sorted[index] = keyed[size_t(index)].second;
}

double ItemOrder::numberKey(const ViewItem &item) const
{
    const ItemColumns::Column *ordering = orderingColumn();
    const QString text = ordering->text(item);
    if (ordering->order == ItemColumns::Order::Date)
        return dateKey(text);
    bool isNumber = false;
    const double value = text.toDouble(&isNumber);
    return isNumber ? value : -1;
}

bool ItemOrder::lessThan(const ViewItem &first, const ViewItem &second) const
{
    const ItemColumns::Column *ordering = orderingColumn();
    if (!ordering)
        return false;
    if (ordering->order == ItemColumns::Order::Text)
        return collator().compare(folded(ordering->sortText(first)), folded(ordering->sortText(second))) < 0;
    return numberKey(first) < numberKey(second);
}

bool ItemOrder::before(const ViewItem &first, const ViewItem &second) const
{
    return sortOrder == Qt::AscendingOrder ? lessThan(first, second) : lessThan(second, first);
}

qsizetype ItemOrder::insertionPoint(const QList<ViewItem *> &inOrder, const ViewItem *item) const
{
    const auto place
        = std::upper_bound(inOrder.cbegin(), inOrder.cend(), item,
                           [this](const ViewItem *first, const ViewItem *second) { return before(*first, *second); });
    return place - inOrder.cbegin();
}

void ItemOrder::insert(ViewItem *item)
{
    sorted.insert(insertionPoint(sorted, item), item);
}

void ItemOrder::remove(const ViewItem *item)
{
    sorted.removeOne(item);
}

bool ItemOrder::reposition(ViewItem *item)
{
    const qsizetype index = sorted.indexOf(item);
    if (index < 0)
        return false;
    const bool afterPrevious = index == 0 || !before(*item, *sorted.at(index - 1));
    const bool beforeNext = index + 1 == sorted.size() || !before(*sorted.at(index + 1), *item);
    if (afterPrevious && beforeNext)
        return false;
    sorted.removeAt(index);
    insert(item);
    return true;
}

QList<ViewItem *> ItemOrder::filtered(const QSet<ViewItem *> &shown) const
{
    if (shown.size() == sorted.size())
        return sorted;
    QList<ViewItem *> items;
    items.reserve(shown.size());
    for (ViewItem *item : sorted) {
        if (shown.contains(item))
            items.append(item);
    }
    return items;
}

double ItemOrder::dateKey(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    double key = 0;
    int parts = 0;
    // Year, month, day, hour, minute, second: each part after the year takes two places.
    for (auto match = digits.globalMatch(text); match.hasNext() && parts < 6; ++parts) {
        const double part = match.next().captured().toDouble();
        if (parts == 0 && part < 100)
            return -1;
        key = key * 100 + part;
    }
    if (parts == 0)
        return -1;
    for (; parts < 6; ++parts)
        key *= 100;
    return key;
}

QString ItemOrder::folded(const QString &text)
{
    QString decomposed = text.normalized(QString::NormalizationForm_KD).toLower();
    decomposed.removeIf([](QChar character) { return character.category() == QChar::Mark_NonSpacing; });
    return decomposed;
}
