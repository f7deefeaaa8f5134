#include "model/likepattern.h"

QString LikePattern::exact(const QString &text)
{
    QString pattern;
    pattern.reserve(text.size());
    for (const QChar character : text) {
        if (character == u'\\' || character == u'%' || character == u'_')
            pattern.append(u'\\');
        pattern.append(character);
    }
    return pattern;
}
