#include "app/configdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMetaMethod>
#include <QMetaObject>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

ConfigDialog::ConfigDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("pageArea"));
    pageArea = new QHBoxLayout(area);

    pageList = new QListWidget(area);
    pageList->setObjectName(QStringLiteral("pageList"));
    pageList->setViewMode(QListView::IconMode);
    pageList->setFlow(QListView::TopToBottom);
    pageList->setWrapping(false);
    pageList->setMovement(QListView::Static);
    pageList->setSelectionMode(QAbstractItemView::SingleSelection);
    pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageList->setIconSize(QSize(48, 48));
    pageArea->addWidget(pageList);

    pageStack = new QStackedWidget(area);
    pageStack->setObjectName(QStringLiteral("pageStack"));
    pageArea->addWidget(pageStack, 1);
    connect(pageList, &QListWidget::currentRowChanged, pageStack, &QStackedWidget::setCurrentIndex);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    connect(buttonBox, &QDialogButtonBox::accepted, this, &ConfigDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &ConfigDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(area, 1);
    layout->addWidget(buttonBox);
    fitPageList();
}

ConfigDialog::~ConfigDialog() = default;

void ConfigDialog::addPage(QWidget *page, const QIcon &icon, const QString &title)
{
    // Also a page made as a dialog of its own becomes a plain child here, shown inside the stack.
    page->setParent(pageStack);
    page->installEventFilter(this);
    pageStack->addWidget(page);
    auto *item = new QListWidgetItem(icon, title, pageList);
    item->setTextAlignment(Qt::AlignHCenter);
    if (pageList->currentRow() < 0)
        pageList->setCurrentRow(0);
    fitPageList();
}

int ConfigDialog::count() const
{
    return pageStack->count();
}

QWidget *ConfigDialog::page(int index) const
{
    return pageStack->widget(index);
}

QString ConfigDialog::pageTitle(int index) const
{
    const QListWidgetItem *item = pageList->item(index);
    return item ? item->text() : QString();
}

QIcon ConfigDialog::pageIcon(int index) const
{
    const QListWidgetItem *item = pageList->item(index);
    return item ? item->icon() : QIcon();
}

int ConfigDialog::currentIndex() const
{
    return pageStack->currentIndex();
}

void ConfigDialog::setCurrentIndex(int index)
{
    pageList->setCurrentRow(index);
}

QSize ConfigDialog::iconSize() const
{
    return pageList->iconSize();
}

void ConfigDialog::setIconSize(const QSize &size)
{
    pageList->setIconSize(size);
    fitPageList();
}

QDialogButtonBox *ConfigDialog::dialogButtonBox() const
{
    return buttonBox;
}

QHBoxLayout *ConfigDialog::pageAreaLayout() const
{
    return pageArea;
}

void ConfigDialog::accept()
{
    for (int index = 0; index < count(); ++index) {
        // The page has told the user what it cannot store; it stays in front for a correction.
        if (!savePage(page(index))) {
            setCurrentIndex(index);
            return;
        }
    }
    QDialog::accept();
}

void ConfigDialog::showEvent(QShowEvent *event)
{
    // A dialog restored from the task bar is shown again without having been closed.
    if (!pagesOpen) {
        pagesOpen = true;
        invokeOnPages("initialize");
    }
    QDialog::showEvent(event);
}

void ConfigDialog::hideEvent(QHideEvent *event)
{
    // Minimising hides the dialog spontaneously; only a real close ends the pages' session.
    if (pagesOpen && !event->spontaneous()) {
        pagesOpen = false;
        invokeOnPages("cleanup");
    }
    QDialog::hideEvent(event);
}

bool ConfigDialog::eventFilter(QObject *watched, QEvent *event)
{
    // A page that is a dialog itself would hide on Escape and leave a hole; Escape cancels the whole dialog.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel)) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ConfigDialog::invokeOnPages(const char *method) const
{
    const QByteArray signature = QByteArray(method) + "()";
    for (int index = 0; index < pageStack->count(); ++index) {
        QWidget *page = pageStack->widget(index);
        if (page->metaObject()->indexOfMethod(signature.constData()) >= 0)
            QMetaObject::invokeMethod(page, method);
    }
}

bool ConfigDialog::savePage(QWidget *page)
{
    const QMetaObject *type = page->metaObject();
    const int index = type->indexOfMethod("save()");
    if (index < 0)
        return true;
    const QMetaMethod method = type->method(index);
    if (method.returnType() != QMetaType::Bool)
        return method.invoke(page);
    bool saved = false;
    return method.invoke(page, Q_RETURN_ARG(bool, saved)) && saved;
}

void ConfigDialog::fitPageList()
{
    // Wide enough for the largest icon or title, so the column never scrolls sideways.
    const QFontMetrics metrics = pageList->fontMetrics();
    int width = pageList->iconSize().width();
    for (int row = 0; row < pageList->count(); ++row)
        width = std::max(width, metrics.horizontalAdvance(pageList->item(row)->text()));
    const int cellWidth = width + 16;
    pageList->setGridSize(QSize(cellWidth, pageList->iconSize().height() + metrics.height() + 12));
    pageList->setFixedWidth(cellWidth + 2 * pageList->frameWidth() + 4);
}
