#include "editing/languagecombobox.h"

#include <QLocale>
#include <QMap>

#include <algorithm>

LanguageComboBox::LanguageComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // By name, which also folds languages that the locale database names twice.
    QMap<QString, int> languages;
    for (int language = QLocale::AnyLanguage + 1; language <= QLocale::LastLanguage; ++language) {
        const QString name = QLocale::languageToString(static_cast<QLocale::Language>(language));
        if (!name.isEmpty() && !languages.contains(name))
            languages.insert(name, language);
    }
    // A book whose language nobody chose has none.
    addItem(tr("—"));
    for (auto entry = languages.cbegin(); entry != languages.cend(); ++entry)
        addItem(entry.key(), entry.value());
}

QString LanguageComboBox::language() const
{
    return currentIndex() > 0 ? currentText() : QString();
}

void LanguageComboBox::setLanguage(const QString &language)
{
    setCurrentIndex(std::max(0, findText(language)));
}
