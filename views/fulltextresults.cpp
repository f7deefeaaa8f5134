#include "views/fulltextresults.h"

#include "core/readableformats.h"
#include "widgets/richtextdelegate.h"

#include <QFileInfo>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int PartRole = Qt::UserRole + 1;

QString placeOf(const FullTextSearch::Hit &hit)
{
    const QString suffix = QFileInfo(hit.filePath).suffix().toLower();
    if (ReadableFormats::isPdf(hit.filePath))
        return FullTextResults::tr("page %1").arg(hit.part);
    if (suffix == u"epub")
        return FullTextResults::tr("chapter %1").arg(hit.part);
    return {};
}

} // namespace

FullTextResults::FullTextResults(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("fullTextResults"));
    setItemDelegate(new RichTextDelegate(this));
    setWordWrap(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemActivated, this, [this](const QListWidgetItem *entry) {
        emit hitActivated(entry->data(PathRole).toString(), entry->data(PartRole).toInt());
    });
}

void FullTextResults::showHits(const QList<FullTextSearch::Hit> &hits, const std::function<QString(int)> &titleOf)
{
    clear();
    for (const FullTextSearch::Hit &hit : hits) {
        const QString place = placeOf(hit);
        auto *entry = new QListWidgetItem(this);
        entry->setText(QStringLiteral("<b>%1</b>%2<br>%3")
                           .arg(titleOf(hit.iid).toHtmlEscaped(),
                                place.isEmpty() ? QString() : QStringLiteral(", ") + place, hit.snippet));
        entry->setData(PathRole, hit.filePath);
        entry->setData(PartRole, hit.part);
    }
}
