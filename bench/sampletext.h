#ifndef SAMPLETEXT_H
#define SAMPLETEXT_H

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

class QRandomGenerator;

// Made-up but plausible library text from a fixed vocabulary, drawn from the caller's generator so that
// a seeded run always writes the same library.
class SampleText
{
public:
    explicit SampleText(QRandomGenerator &random);

    // Six letters that no other word of the vocabulary contains, so a search for it finds exactly the
    // texts that were given it.
    static constexpr QLatin1StringView SearchWord{"garden"};
    static constexpr int MinDescriptionLength = 300;
    static constexpr int MaxDescriptionLength = 2000;

    // 2 to 6 capitalised words.
    QString title(bool withSearchWord);
    // Sentences of MinDescriptionLength to MaxDescriptionLength characters in all.
    QString description(bool withSearchWord);
    // Six pairs of the vocabulary's words, which generated text holds here and there.
    static QStringList commonPhrases();
    // "First Last".
    QString personName();
    // One or two lower-case words, as readers tag books.
    QString tagName();
    QString publisher();
    // "1987-04-12".
    QString datePublished();

private:
    QString word();
    QString lastName();

    QRandomGenerator &random;
};

#endif // SAMPLETEXT_H
