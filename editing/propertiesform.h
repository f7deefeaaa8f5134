#ifndef PROPERTIESFORM_H
#define PROPERTIESFORM_H

#include <QCoreApplication>
#include <QString>

#include <array>
#include <optional>

class QDoubleSpinBox;
class QPushButton;

// What the properties dialogs of books and web pages show and require alike, beyond their file table.
class PropertiesForm
{
    Q_DECLARE_TR_FUNCTIONS(PropertiesForm)

public:
    // btnRating1 to btnRating5, in that order.
    using Stars = std::array<QPushButton *, 5>;

    // The first `rating` buttons show the set star, the others the unset one.
    static void showRating(const Stars &stars, int rating);
    // True when there is a title to save; otherwise the user is told that one is needed.
    static bool requireTitle(const QString &title);
    // The place in a series that the spin box gives: none at its lowest value, which reads "No number".
    static std::optional<double> seriesPosition(const QDoubleSpinBox &spin);
};

#endif // PROPERTIESFORM_H
