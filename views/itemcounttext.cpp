#include "views/itemcounttext.h"

#include <QCoreApplication>
#include <QLocale>

QString ItemCountText::summary(bool webPages, int total, int shown, int selected, bool searching)
{
    const QLocale locale;
    const QString count = locale.toString(total);
    QString text;
    if (webPages) {
        text = searching ? QCoreApplication::translate("ItemViews", "%1 of %2 web pages match").arg(locale.toString(shown), count)
            : total == 1 ? QCoreApplication::translate("ItemViews", "1 web page")
                         : QCoreApplication::translate("ItemViews", "%1 web pages").arg(count);
    } else {
        text = searching ? QCoreApplication::translate("ItemViews", "%1 of %2 books match").arg(locale.toString(shown), count)
            : total == 1 ? QCoreApplication::translate("ItemViews", "1 book")
                         : QCoreApplication::translate("ItemViews", "%1 books").arg(count);
    }
    if (selected > 0)
        text += QCoreApplication::translate("ItemViews", ", %1 selected").arg(locale.toString(selected));
    return text;
}
