#ifndef PDFPAGEVIEW_H
#define PDFPAGEVIEW_H

#include <QList>
#include <QPdfLink>
#include <QPdfSelection>
#include <QPdfView>
#include <QPointer>
#include <QRect>

#include <optional>

class QPdfSearchModel;

// A PDF's pages one below the other, with what QPdfView leaves to its users: going to a point of a page,
// the search hits drawn over the pages, text selected with the mouse and copied, and paging by key.
class PdfPageView : public QPdfView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PdfPageView)

public:
    // A place in the document: a page, and a height on it in points.
    struct Place
    {
        int page = 0;
        qreal points = 0;
    };

    explicit PdfPageView(QWidget *parent = nullptr);
    ~PdfPageView() override;

    // The page at the top of the view, 0-based.
    int currentPage() const;
    // Shows the page from this height on it, in points from its top; once the view has its size if it
    // has none yet.
    void goTo(int page, qreal pointsFromTop = 0);
    void goTo(const Place &place) { goTo(place.page, place.points); }
    // Pixels per point as the pages are laid out now, whatever the zoom mode.
    qreal scale() const;
    // Zooms by the factor from the scale on show, or fits the pages, keeping the place on show.
    void zoomBy(qreal factor);
    void fit(ZoomMode mode);

    // Hits of this model are marked on their pages; the current one stands out.
    void setSearchModel(QPdfSearchModel *model);
    void setCurrentHit(const QPdfLink &hit);
    QString selectedText() const;

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    Place place() const;
    void zoom(ZoomMode mode, qreal factor);
    // Where each page lies in the document's area, in pixels; laid out as QPdfView lays them out.
    const QList<QRect> &pageGeometries() const;
    void invalidateLayout();
    QRect visibleArea() const;
    int pageAt(int documentY) const;
    QPointF toPagePoints(int page, const QPoint &viewportPosition) const;
    QTransform pageToViewport(int page) const;
    void paintHits(QPainter &painter, int page);
    void followCurrentPage();

    QPointer<QPdfSearchModel> searchModel;
    QPdfLink currentHit;
    std::optional<QPdfSelection> selection;
    int selectionPage = -1;
    QPointF selectionStart;
    QRectF textArea;
    mutable QList<QRect> layout;
    mutable bool layoutValid = false;
    int shownPage = 0;
    // A place asked for before the view had its size; its page is -1 when there is none.
    Place pending{-1, 0};
    // The page last gone to, while the view stays where it went: the page is on show even where it could
    // not be scrolled to the top, as the last ones.
    int arrivedPage = -1;
    int arrivedAt = -1;
};

#endif // PDFPAGEVIEW_H
