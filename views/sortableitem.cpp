#include "views/sortableitem.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>

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

SortableItem::SortableItem(const QString &text, Order order)
    : QTableWidgetItem(text)
    , order(order)
{
    updateKey();
}

void SortableItem::setToolTipSource(const ViewItem *item, QString (*write)(const ViewItem &))
{
    toolTipSource = item;
    writeToolTip = write;
}

QVariant SortableItem::data(int role) const
{
    if (role == Qt::ToolTipRole && toolTipSource)
        return writeToolTip(*toolTipSource);
    return QTableWidgetItem::data(role);
}

void SortableItem::setData(int role, const QVariant &value)
{
    QTableWidgetItem::setData(role, value);
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        updateKey();
}

void SortableItem::updateKey()
{
    const QString shown = text();
    switch (order) {
    case Order::Text:
        textKey = folded(shown);
        sortKey.reset();
        break;
    case Order::Number: {
        bool isNumber = false;
        const double value = shown.toDouble(&isNumber);
        numberKey = isNumber ? value : -1;
        break;
    }
    case Order::Date:
        numberKey = dateKey(shown);
        break;
    }
}

bool SortableItem::operator<(const QTableWidgetItem &other) const
{
    const auto *sortable = dynamic_cast<const SortableItem *>(&other);
    if (!sortable || sortable->order != order)
        return QTableWidgetItem::operator<(other);
    if (order != Order::Text)
        return numberKey < sortable->numberKey;
    if (!sortKey)
        sortKey = collator().sortKey(textKey);
    if (!sortable->sortKey)
        sortable->sortKey = collator().sortKey(sortable->textKey);
    return sortKey->compare(*sortable->sortKey) < 0;
}

double SortableItem::dateKey(const QString &text)
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

QString SortableItem::folded(const QString &text)
{
    QString decomposed = text.normalized(QString::NormalizationForm_KD).toLower();
    decomposed.removeIf([](QChar character) { return character.category() == QChar::Mark_NonSpacing; });
    return decomposed;
}
