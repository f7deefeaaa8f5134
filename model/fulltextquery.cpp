#include "model/fulltextquery.h"

#include <QCoreApplication>
#include <QStringList>

FullTextQuery::FullTextQuery(const QString &typed)
{
    QStringList terms;
    const QStringList pieces = typed.split(u'"');
    // Pieces at odd positions lie between quotes; an even count of pieces means a quote was left open.
    if (pieces.size() % 2 == 0) {
        problemText = QCoreApplication::translate("FullTextQuery", "Unfinished phrase: add the closing quote");
        return;
    }
    for (qsizetype index = 0; index < pieces.size(); ++index) {
        if (index % 2 == 1) {
            const QString phrase = pieces.at(index).simplified();
            if (!phrase.isEmpty()) {
                terms << quoted(phrase);
                if (first.isEmpty())
                    first = phrase;
            }
            continue;
        }
        const QStringList words = pieces.at(index).split(QChar::Space, Qt::SkipEmptyParts);
        for (const QString &word : words) {
            QString stem = word;
            while (stem.endsWith(u'*'))
                stem.chop(1);
            if (stem.isEmpty())
                continue;
            terms << quoted(stem) + (stem.size() < word.size() ? QStringLiteral("*") : QString());
            if (first.isEmpty())
                first = stem;
        }
    }
    matchText = terms.join(u' ');
}

QString FullTextQuery::quoted(const QString &words)
{
    return u'"' + QString(words).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
