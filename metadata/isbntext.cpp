#include "metadata/isbntext.h"

#include <QRegularExpression>

namespace {

bool isValid10(const QString &digits)
{
    int sum = 0;
    for (int index = 0; index < 10; ++index) {
        const QChar character = digits.at(index);
        int value = 0;
        if (character.isDigit())
            value = character.digitValue();
        else if (index == 9 && character.toUpper() == u'X')
            value = 10;
        else
            return false;
        sum += value * (10 - index);
    }
    return sum % 11 == 0;
}

bool isValid13(const QString &digits)
{
    if (!digits.startsWith(QLatin1String("978")) && !digits.startsWith(QLatin1String("979")))
        return false;
    int sum = 0;
    for (int index = 0; index < 13; ++index) {
        if (!digits.at(index).isDigit())
            return false;
        sum += digits.at(index).digitValue() * (index % 2 == 0 ? 1 : 3);
    }
    return sum % 10 == 0;
}

// Up to 13 digits after the label, each but the first after at most one hyphen or space; an "X" ends them.
QString digitsAfter(const QString &text, qsizetype start)
{
    QString digits;
    qsizetype position = start;
    while (position < text.size() && digits.size() < 13) {
        QChar character = text.at(position);
        if (!digits.isEmpty() && (character == u'-' || character == u' ') && position + 1 < text.size()) {
            ++position;
            character = text.at(position);
        }
        if (character.isDigit()) {
            digits += character;
        } else if (character.toUpper() == u'X' && digits.size() == 9) {
            digits += u'X';
            break;
        } else {
            break;
        }
        ++position;
    }
    return digits;
}

} // namespace

QString IsbnText::find(const QString &text)
{
    static const QRegularExpression label(QStringLiteral("ISBN(?:-1[03])?\\s*:?\\s*"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (auto match = label.globalMatch(text); match.hasNext();) {
        const QString digits = digitsAfter(text, match.next().capturedEnd());
        // A 10-digit ISBN may be followed by other numbers, such as a year.
        if (digits.size() == 13 && isValid13(digits))
            return digits;
        if (digits.size() >= 10 && isValid10(digits.left(10)))
            return digits.left(10);
    }
    return {};
}

bool IsbnText::isValid(const QString &digits)
{
    if (digits.size() == 10)
        return isValid10(digits);
    return digits.size() == 13 && isValid13(digits);
}
