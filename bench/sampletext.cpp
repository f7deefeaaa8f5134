#include "bench/sampletext.h"

#include <QRandomGenerator>
#include <QStringList>

namespace {

// Word lists, split once at start-up.
const QStringList Vocabulary
    = QString::fromLatin1(
          "the of and a in to is was he for it with as his on be at by had not are but from or have an they which "
          "one you were her all she there would their we him been has when who will more no if out so said what up "
          "its about into than them can only other new some could time these two may then do first any my now such "
          "like our over man me even most made after also did many before must through back years where much your "
          "way well down should because each just those people how too little state good very make world still own "
          "see men work long get here between both life being under never day same another know while last might us "
          "great old year off come since against go came right used take three house river winter summer morning "
          "evening letter journey mountain island city harbour forest valley kingdom empire history science art music "
          "stone silver golden shadow light fire water wind storm night silence memory secret promise stranger "
          "traveller doctor captain sailor soldier teacher daughter brother sister mother father friend enemy voice "
          "road bridge tower castle village market station machine engine theory method practice guide introduction "
          "principles elements essays letters stories poems notes lectures studies account voyage return rise fall "
          "war peace love death birth truth ruin glory winterfold lantern orchard meadow harvest quiet distant broken "
          "hidden ancient modern northern southern eastern western careful patient sudden bright dark deep high low")
          .split(u' ');

const QStringList FirstNames
    = QString::fromLatin1(
          "Anna Ben Clara David Elena Felix Grace Henry Iris Jakob Karin Leo Maria Nils Olga Paul Quentin Rosa Simon "
          "Tara Ulrich Vera Walter Xenia Yusuf Zoe Amelia Bruno Celia Dmitri Edith Frank Greta Hugo Ida Jonas Lena "
          "Marco Nora Oskar Petra Rafael Sofia Tomas Ursula Viktor Wendy Aaron Beatrix Carl Dora Emil Flora Gustav "
          "Helena Isaac Julia Konrad Lucia Max Nina")
          .split(u' ');

const QStringList Syllables
    = QString::fromLatin1(
          "ber mar ton ley win ford ash ham rid well mor gan sel kirk dal strom vik lan ster hol brook fen wick")
          .split(u' ');

const QStringList Publishers{
    QStringLiteral("Northgate Press"),   QStringLiteral("Harbour Books"),     QStringLiteral("Lantern House"),
    QStringLiteral("Meridian Editions"), QStringLiteral("Oakfield & Sons"),   QStringLiteral("Blue River Books"),
    QStringLiteral("Stonebridge"),       QStringLiteral("Quarto Publishing"), QStringLiteral("Fenwick Academic"),
};

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

SampleText::SampleText(QRandomGenerator &random)
    : random(random)
{
}

QStringList SampleText::commonPhrases()
{
    QStringList phrases;
    for (int pair = 0; pair < 6; ++pair)
        phrases << QString(Vocabulary[2 * pair]) + u' ' + QString(Vocabulary[2 * pair + 1]);
    return phrases;
}

QString SampleText::word()
{
    return Vocabulary[random.bounded(int(Vocabulary.size()))];
}

QString SampleText::tagName()
{
    return random.bounded(2) == 0 ? word() : word() + u' ' + word();
}

QString SampleText::title(bool withSearchWord)
{
    const int count = 2 + random.bounded(5);
    const int searchAt = withSearchWord ? random.bounded(count) : -1;
    QStringList words;
    for (int index = 0; index < count; ++index)
        words.append(capitalised(index == searchAt ? QString(SearchWord) : word()));
    return words.join(u' ');
}

QString SampleText::description(bool withSearchWord)
{
    const QString searchWord = u' ' + QString(SearchWord);
    // Room is kept for the search word, so that no text passes the longest length.
    const qsizetype longest = MaxDescriptionLength - searchWord.size();
    const int length = MinDescriptionLength + random.bounded(MaxDescriptionLength - MinDescriptionLength + 1);
    QString text;
    while (text.size() < length) {
        QStringList sentence;
        const int words = 6 + random.bounded(14);
        for (int index = 0; index < words; ++index)
            sentence.append(word());
        const QString next = capitalised(sentence.join(u' ')) + u'.';
        if (text.size() + 1 + next.size() > longest)
            break;
        if (!text.isEmpty())
            text += u' ';
        text += next;
    }
    if (withSearchWord) {
        // Before a space, so that it stands as a word of its own.
        const qsizetype space = text.indexOf(u' ', random.bounded(int(text.size())));
        text.insert(space < 0 ? text.size() - 1 : space, searchWord);
    }
    return text;
}

QString SampleText::lastName()
{
    QString name;
    const int count = 2 + random.bounded(2);
    for (int index = 0; index < count; ++index)
        name += Syllables[random.bounded(int(Syllables.size()))];
    return capitalised(name);
}

QString SampleText::personName()
{
    // Two statements: the operands of + may be evaluated in either order, and the draws must not be.
    const QString first = FirstNames[random.bounded(int(FirstNames.size()))];
    return first + u' ' + lastName();
}

QString SampleText::publisher()
{
    return Publishers[random.bounded(int(Publishers.size()))];
}

QString SampleText::datePublished()
{
    return QStringLiteral("%1-%2-%3")
        .arg(1900 + random.bounded(125))
        .arg(1 + random.bounded(12), 2, 10, QLatin1Char('0'))
        .arg(1 + random.bounded(28), 2, 10, QLatin1Char('0'));
}
