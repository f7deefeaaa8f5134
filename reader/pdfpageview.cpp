#include "reader/pdfpageview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSearchModel>
#include <QScreen>
#include <QScrollBar>

namespace {

// QPdfView's own spacing, set again here so that the layout below matches it.
constexpr int PageSpacing = 3;
constexpr int DocumentMargin = 6;

qreal screenResolution()
{
    return QGuiApplication::primaryScreen()->logicalDotsPerInch() / 72.0;
}

constexpr qreal SmallestZoom = 0.1;
constexpr qreal LargestZoom = 8;

// Within a character's reach (PDFium looks 16 points around a point), from the right end of the text towards
// its middle.
constexpr qreal LineEndStep = 12;
constexpr int LineEndSteps = 12;

const QColor HitColour(255, 221, 0, 110);
const QColor CurrentHitColour(255, 128, 0, 150);
const QColor SelectionColour(48, 140, 198, 90);

} // namespace

PdfPageView::PdfPageView(QWidget *parent)
    : QPdfView(parent)
{
    setPageMode(PageMode::MultiPage);
    setPageSpacing(PageSpacing);
    setDocumentMargins(QMargins(DocumentMargin, DocumentMargin, DocumentMargin, DocumentMargin));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    const auto relayout = [this] {
        invalidateLayout();
        followCurrentPage();
    };
    connect(this, &QPdfView::documentChanged, this, relayout);
    connect(this, &QPdfView::zoomModeChanged, this, relayout);
    connect(this, &QPdfView::zoomFactorChanged, this, relayout);
}

PdfPageView::~PdfPageView() = default;

const QList<QRect> &PdfPageView::pageGeometries() const
{
    if (layoutValid)
        return layout;
    layout.clear();
    layoutValid = true;
    const QPdfDocument *pdf = document();
    if (!pdf || pdf->status() != QPdfDocument::Status::Ready)
        return layout;
    // As QPdfView computes it: points at the screen's resolution, times the zoom or fitted to the viewport;
    // pages one below the other, each centred.
    const qreal resolution = screenResolution();
    const QMargins margins = documentMargins();
    const QSize area = viewport()->size();
    int widest = 0;
    for (int page = 0; page < pdf->pageCount(); ++page) {
        QSize size = QSizeF(pdf->pagePointSize(page) * resolution).toSize();
        switch (zoomMode()) {
        case ZoomMode::Custom:
            size = QSizeF(pdf->pagePointSize(page) * resolution * zoomFactor()).toSize();
            break;
        case ZoomMode::FitToWidth:
            if (size.width() > 0)
                size *= qreal(area.width() - margins.left() - margins.right()) / qreal(size.width());
            break;
        case ZoomMode::FitInView:
            size = size.scaled(area + QSize(-margins.left() - margins.right(), -pageSpacing()), Qt::KeepAspectRatio);
            break;
        }
        widest = qMax(widest, size.width());
        layout.append(QRect(QPoint(), size));
    }
    const int totalWidth = widest + margins.left() + margins.right();
    int y = margins.top();
    for (QRect &geometry : layout) {
        geometry.moveTopLeft(QPoint((qMax(totalWidth, area.width()) - geometry.width()) / 2, y));
        y += geometry.height() + pageSpacing();
    }
    return layout;
}

void PdfPageView::invalidateLayout()
{
    layoutValid = false;
}

QRect PdfPageView::visibleArea() const
{
    return QRect(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()), viewport()->size());
}

int PdfPageView::pageAt(int documentY) const
{
    // A gap between two pages belongs to the page below it.
    const QList<QRect> &pages = pageGeometries();
    for (int page = 0; page < pages.size(); ++page) {
        if (documentY <= pages.at(page).bottom())
            return page;
    }
    return int(pages.size()) - 1;
}

int PdfPageView::currentPage() const
{
    if (pending.page >= 0)
        return pending.page;
    if (arrivedPage >= 0 && arrivedAt == verticalScrollBar()->value())
        return arrivedPage;
    return qMax(0, pageAt(verticalScrollBar()->value() + documentMargins().top()));
}

qreal PdfPageView::scale() const
{
    const QList<QRect> &pages = pageGeometries();
    if (pages.isEmpty())
        return 1;
    const qreal width = document()->pagePointSize(0).width();
    return width > 0 ? pages.constFirst().width() / width : 1;
}

void PdfPageView::goTo(int page, qreal pointsFromTop)
{
    const QList<QRect> &pages = pageGeometries();
    if (pages.isEmpty())
        return;
    page = qBound(0, page, int(pages.size()) - 1);
    if (!isVisible() || viewport()->height() <= 0) {
        pending = {page, pointsFromTop};
        return;
    }
    pending.page = -1;
    const int top = pages.at(page).top() - documentMargins().top() + qRound(qMax<qreal>(0, pointsFromTop) * scale());
    QScrollBar *bar = verticalScrollBar();
    // Known before the scroll, so that the scroll itself tells the page gone to.
    arrivedPage = page;
    arrivedAt = qBound(bar->minimum(), top, bar->maximum());
    bar->setValue(top);
    followCurrentPage();
}

PdfPageView::Place PdfPageView::place() const
{
    if (pending.page >= 0)
        return pending;
    const int page = currentPage();
    return {page, (visibleArea().top() + documentMargins().top() - pageGeometries().value(page).top()) / scale()};
}

void PdfPageView::zoomBy(qreal factor)
{
    zoom(ZoomMode::Custom, qBound(SmallestZoom, scale() / screenResolution() * factor, LargestZoom));
}

void PdfPageView::fit(ZoomMode mode)
{
    zoom(mode, zoomFactor());
}

void PdfPageView::zoom(ZoomMode mode, qreal factor)
{
    const Place here = place();
    setZoomFactor(factor);
    setZoomMode(mode);
    invalidateLayout();
    goTo(here);
}

void PdfPageView::followCurrentPage()
{
    const int page = currentPage();
    if (page == shownPage)
        return;
    shownPage = page;
    emit currentPageChanged(page);
}

void PdfPageView::setSearchModel(QPdfSearchModel *model)
{
    searchModel = model;
    const auto repaint = [this] { viewport()->update(); };
    connect(model, &QAbstractItemModel::rowsInserted, this, repaint);
    connect(model, &QAbstractItemModel::modelReset, this, repaint);
}

void PdfPageView::setCurrentHit(const QPdfLink &hit)
{
    currentHit = hit;
    viewport()->update();
}

QString PdfPageView::selectedText() const
{
    return selection ? selection->text() : QString();
}

QTransform PdfPageView::pageToViewport(int page) const
{
    const QRect geometry = pageGeometries().at(page).translated(-visibleArea().topLeft());
    const qreal factor = document()->pagePointSize(page).width() > 0
        ? geometry.width() / document()->pagePointSize(page).width()
        : 1;
    return QTransform::fromTranslate(geometry.left(), geometry.top()).scale(factor, factor);
}

QPointF PdfPageView::toPagePoints(int page, const QPoint &viewportPosition) const
{
    return pageToViewport(page).inverted().map(QPointF(viewportPosition));
}

void PdfPageView::paintEvent(QPaintEvent *event)
{
    QPdfView::paintEvent(event);
    const QList<QRect> &pages = pageGeometries();
    const QRect area = visibleArea();
    QPainter painter(viewport());
    painter.setPen(Qt::NoPen);
    for (int page = pageAt(area.top()); page >= 0 && page < pages.size() && pages.at(page).top() <= area.bottom();
         ++page) {
        painter.setTransform(pageToViewport(page));
        paintHits(painter, page);
        if (selection && page == selectionPage) {
            painter.setBrush(SelectionColour);
            for (const QPolygonF &bound : selection->bounds())
                painter.drawPolygon(bound);
        }
    }
}

void PdfPageView::paintHits(QPainter &painter, int page)
{
    if (!searchModel || searchModel->searchString().isEmpty())
        return;
    const QList<QPdfLink> hits = searchModel->resultsOnPage(page);
    for (const QPdfLink &hit : hits) {
        const bool current = currentHit.isValid() && currentHit.page() == page
            && currentHit.location() == hit.location();
        painter.setBrush(current ? CurrentHitColour : HitColour);
        for (const QRectF &rectangle : hit.rectangles())
            painter.drawRect(rectangle);
    }
}

void PdfPageView::resizeEvent(QResizeEvent *event)
{
    // The place on show stays on show when the width, and with it every page's height, changes.
    const Place here = place();
    QPdfView::resizeEvent(event);
    invalidateLayout();
    goTo(here);
}

void PdfPageView::scrollContentsBy(int dx, int dy)
{
    QPdfView::scrollContentsBy(dx, dy);
    followCurrentPage();
}

void PdfPageView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (selection)
            QGuiApplication::clipboard()->setText(selection->text());
        return;
    }
    const int last = document() ? document()->pageCount() - 1 : 0;
    switch (event->key()) {
    case Qt::Key_PageDown:
        goTo(qMin(currentPage() + 1, last));
        return;
    case Qt::Key_PageUp:
        goTo(currentPage() - 1);
        return;
    case Qt::Key_Home:
        goTo(0);
        return;
    case Qt::Key_End:
        goTo(last);
        return;
    default:
        QPdfView::keyPressEvent(event);
    }
}

void PdfPageView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || pageGeometries().isEmpty()) {
        QPdfView::mousePressEvent(event);
        return;
    }
    selection.reset();
    selectionPage = pageAt(visibleArea().top() + event->position().toPoint().y());
    selectionStart = toPagePoints(selectionPage, event->position().toPoint());
    // Inside by a point, where a character is found.
    textArea = document()->getAllText(selectionPage).boundingRectangle().adjusted(1, 1, -1, -1);
    viewport()->update();
}

void PdfPageView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton) || selectionPage < 0) {
        QPdfView::mouseMoveEvent(event);
        return;
    }
    // A selection stays on the page where it began. Its ends are taken into the page's text, so that a drag
    // from the margin selects from the line's first character; an end past a short line's last character
    // is moved back along the line until it meets one.
    const auto intoText = [this](const QPointF &point) {
        return QPointF(qBound(textArea.left(), point.x(), textArea.right()),
                       qBound(textArea.top(), point.y(), textArea.bottom()));
    };
    const QPointF start = intoText(selectionStart);
    QPointF end = intoText(toPagePoints(selectionPage, event->position().toPoint()));
    QPdfSelection found = document()->getSelection(selectionPage, start, end);
    for (int step = 0; !found.isValid() && step < LineEndSteps && end.x() > textArea.left(); ++step) {
        end.rx() -= LineEndStep;
        found = document()->getSelection(selectionPage, start, end);
    }
    selection = found;
    viewport()->update();
}
