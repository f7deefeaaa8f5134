#ifndef LANGUAGECOMBOBOX_H
#define LANGUAGECOMBOBOX_H

#include <QComboBox>

// A choice of every language the locale database knows, by English name; each entry carries its
// QLocale::Language as data.
class LanguageComboBox : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LanguageComboBox)

public:
    explicit LanguageComboBox(QWidget *parent = nullptr);

    // The language's name; empty while the first entry, "—", is chosen.
    QString language() const;
    void setLanguage(const QString &language);
};

#endif // LANGUAGECOMBOBOX_H
