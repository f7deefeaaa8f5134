#include "editing/propertiesform.h"

#include <QDoubleSpinBox>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

namespace {

const QString SetStar = QStringLiteral(":/icons/icons/16x16/001_15.png");
const QString UnsetStar = QStringLiteral(":/icons/icons/16x16/001_17.png");

} // namespace

void PropertiesForm::showRating(const Stars &stars, int rating)
{
    for (int star = 1; star <= static_cast<int>(stars.size()); ++star)
        stars[star - 1]->setIcon(QIcon(star <= rating ? SetStar : UnsetStar));
}

bool PropertiesForm::requireTitle(const QString &title)
{
    if (!title.isEmpty())
        return true;
    QMessageBox::warning(nullptr, tr("Error"), tr("You must enter a book title."));
    return false;
}

std::optional<double> PropertiesForm::seriesPosition(const QDoubleSpinBox &spin)
{
    if (spin.value() == spin.minimum())
        return std::nullopt;
    return spin.value();
}
