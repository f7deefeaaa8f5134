#include "app/tabtitle.h"

QString TabTitle::forFileName(const QString &fileName)
{
    if (fileName.size() <= 10)
        return fileName;
    return fileName.left(8) + u'.' + fileName.right(5);
}
