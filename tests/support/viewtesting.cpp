#include "tests/support/viewtesting.h"

#include "widgets/visiblerowwidgets.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QTableWidget>

QTableWidget *ViewTesting::table(const QWidget &view)
{
    auto *table = view.findChild<QTableWidget *>(QStringLiteral("viewTable"));
    if (auto *rows = table->findChild<VisibleRowWidgets *>())
        QCoreApplication::sendPostedEvents(rows, QEvent::MetaCall);
    return table;
}

bool ViewTesting::shows(const QWidget &view, const QString &title)
{
    return !view.findChild<QListWidget *>(QStringLiteral("viewList"))->findItems(title, Qt::MatchExactly).isEmpty();
}
