#include "reader/pdfreader.h"
#include "ui_pdfreader.h"

#include "model/readingpositions.h"
#include "reader/pdfsearchresults.h"

#include <QInputDialog>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfSearchModel>
#include <QShortcut>

namespace {

constexpr qreal ZoomStep = 1.25;

} // namespace

PdfReader::PdfReader(QWidget *parent, const QString &filePath)
    : QWidget(parent)
    , ui(std::make_unique<Ui::PdfReader>())
    , path(filePath)
    , document(new QPdfDocument(this))
    , outline(new QPdfBookmarkModel(this))
    , searchModel(new QPdfSearchModel(this))
    , results(new PdfSearchResults(this))
{
    ui->setupUi(this);
    if (!load())
        return;
    ui->splitter->setStretchFactor(0, 0);
    ui->splitter->setStretchFactor(1, 1);
    ui->splitter->setStretchFactor(2, 0);
    ui->pdfView->setDocument(document);
    ui->pageSpin->setMaximum(document->pageCount());
    ui->pageCountLabel->setText(tr("of %1").arg(document->pageCount()));
    showOutline();
    searchModel->setDocument(document);
    results->setSourceModel(searchModel);
    ui->searchResults->setModel(results);
    ui->searchResults->hide();
    ui->pdfView->setSearchModel(searchModel);
    connectControls();
    addShortcuts();
    restorePosition();
}

PdfReader::~PdfReader()
{
    if (isReadable())
        savePosition();
    // The view scrolls while the widgets go, after the form is gone.
    ui->pdfView->disconnect(this);
}

bool PdfReader::load()
{
    QPdfDocument::Error error = document->load(path);
    if (error == QPdfDocument::Error::IncorrectPassword) {
        bool given = false;
        const QString password
            = QInputDialog::getText(window(), tr("Password"), tr("This PDF is protected by a password:"),
                                    QLineEdit::Password, QString(), &given);
        if (given && !password.isEmpty()) {
            document->setPassword(password);
            error = document->load(path);
        }
    }
    if (error == QPdfDocument::Error::IncorrectPassword || error == QPdfDocument::Error::UnsupportedSecurityScheme) {
        failureText = tr("This PDF is protected by a password.");
        return false;
    }
    // An empty document has nothing to show either.
    if (error != QPdfDocument::Error::None || document->pageCount() < 1) {
        failureText = tr("This file is not a readable PDF.");
        return false;
    }
    return true;
}

void PdfReader::showOutline()
{
    outline->setDocument(document);
    ui->outlineView->setModel(outline);
    ui->outlineView->expandToDepth(0);
    const bool any = outline->rowCount() > 0;
    ui->outlineView->setVisible(any);
    ui->btnOutline->setVisible(any);
    connect(ui->btnOutline, &QToolButton::toggled, ui->outlineView, &QWidget::setVisible);
    const auto goToEntry = [this](const QModelIndex &entry) {
        ui->pdfView->goTo(entry.data(int(QPdfBookmarkModel::Role::Page)).toInt());
    };
    connect(ui->outlineView, &QTreeView::activated, this, goToEntry);
    connect(ui->outlineView, &QTreeView::clicked, this, goToEntry);
}

void PdfReader::connectControls()
{
    connect(ui->pdfView, &PdfPageView::currentPageChanged, this, [this](int page) {
        const QSignalBlocker quiet(ui->pageSpin);
        ui->pageSpin->setValue(page + 1);
    });
    connect(ui->pageSpin, &QSpinBox::valueChanged, this, [this](int page) { ui->pdfView->goTo(page - 1); });
    connect(ui->btnZoomIn, &QToolButton::clicked, this, [this] { zoomBy(ZoomStep); });
    connect(ui->btnZoomOut, &QToolButton::clicked, this, [this] { zoomBy(1 / ZoomStep); });
    connect(ui->btnFitWidth, &QToolButton::clicked, this, [this] { fit(true); });
    connect(ui->btnFitPage, &QToolButton::clicked, this, [this] { fit(false); });
    connect(ui->searchEdit, &QLineEdit::textChanged, this, &PdfReader::search);
    connect(ui->searchEdit, &QLineEdit::returnPressed, this, [this] { stepHit(1); });
    connect(ui->btnNextHit, &QToolButton::clicked, this, [this] { stepHit(1); });
    connect(ui->btnPreviousHit, &QToolButton::clicked, this, [this] { stepHit(-1); });
    const auto goToHit = [this](const QModelIndex &hit) { showHit(hit.row()); };
    connect(ui->searchResults, &QListView::activated, this, goToHit);
    connect(ui->searchResults, &QListView::clicked, this, goToHit);
}

void PdfReader::addShortcuts()
{
    // Each reader tab has its own keys, alive while focus is inside it.
    const auto add = [this](const QKeySequence &key, auto act) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, act);
    };
    add(QKeySequence::Find, [this] {
        ui->searchEdit->setFocus(Qt::ShortcutFocusReason);
        ui->searchEdit->selectAll();
    });
    add(QKeySequence::FindNext, [this] { stepHit(1); });
    add(QKeySequence::FindPrevious, [this] { stepHit(-1); });
    add(QKeySequence::ZoomIn, [this] { zoomBy(ZoomStep); });
    // Ctrl++ is typed as Ctrl+= on most keyboards.
    add(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoomBy(ZoomStep); });
    add(QKeySequence::ZoomOut, [this] { zoomBy(1 / ZoomStep); });
}

void PdfReader::showPage(int page, const QString &words)
{
    ui->pdfView->goTo(page);
    ui->searchEdit->setText(words);
}

void PdfReader::zoomBy(qreal factor)
{
    ui->pdfView->zoomBy(factor);
    showZoomMode();
}

void PdfReader::fit(bool width)
{
    ui->pdfView->fit(width ? QPdfView::ZoomMode::FitToWidth : QPdfView::ZoomMode::FitInView);
    showZoomMode();
}

void PdfReader::showZoomMode()
{
    ui->btnFitWidth->setChecked(ui->pdfView->zoomMode() == QPdfView::ZoomMode::FitToWidth);
    ui->btnFitPage->setChecked(ui->pdfView->zoomMode() == QPdfView::ZoomMode::FitInView);
}

void PdfReader::search(const QString &text)
{
    currentHit = -1;
    ui->pdfView->setCurrentHit({});
    searchModel->setSearchString(text);
    ui->searchResults->setVisible(!text.isEmpty());
}

void PdfReader::stepHit(int step)
{
    const int count = searchModel->rowCount({});
    if (count == 0)
        return;
    if (currentHit >= 0) {
        showHit((currentHit + step + count) % count);
        return;
    }
    // The first step goes from the page on show: to the first hit on it or after it, or the last before it.
    const int page = ui->pdfView->currentPage();
    int index = step > 0 ? 0 : count - 1;
    for (int candidate = 0; candidate < count; ++candidate) {
        const int hitPage = searchModel->resultAtIndex(candidate).page();
        if (step > 0 && hitPage >= page) {
            index = candidate;
            break;
        }
        if (step < 0 && hitPage <= page)
            index = candidate;
    }
    showHit(index);
}

void PdfReader::showHit(int index)
{
    const QPdfLink hit = searchModel->resultAtIndex(index);
    if (!hit.isValid())
        return;
    currentHit = index;
    ui->pdfView->setCurrentHit(hit);
    // The hit shows a third of the way down, with the lines before it.
    const qreal above = ui->pdfView->viewport()->height() / 3.0 / ui->pdfView->scale();
    ui->pdfView->goTo(hit.page(), hit.location().y() - above);
    ui->searchResults->setCurrentIndex(results->index(index, 0));
}

void PdfReader::restorePosition()
{
    positionKey = ReadingPositions::keyOfPath(path);
    const ReadingPositions::Position position
        = ReadingPositions::load(positionKey).value_or(ReadingPositions::Position{});
    if (position.zoom == ReadingPositions::FitPage)
        ui->pdfView->setZoomMode(QPdfView::ZoomMode::FitInView);
    else if (position.zoom > 0) {
        ui->pdfView->setZoomFactor(position.zoom);
        ui->pdfView->setZoomMode(QPdfView::ZoomMode::Custom);
    } else
        ui->pdfView->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    showZoomMode();
    ui->pdfView->goTo(position.page);
}

void PdfReader::savePosition() const
{
    if (positionKey.isEmpty())
        return;
    ReadingPositions::Position position;
    position.page = ui->pdfView->currentPage();
    position.pages = document->pageCount();
    switch (ui->pdfView->zoomMode()) {
    case QPdfView::ZoomMode::FitToWidth:
        position.zoom = ReadingPositions::FitWidth;
        break;
    case QPdfView::ZoomMode::FitInView:
        position.zoom = ReadingPositions::FitPage;
        break;
    case QPdfView::ZoomMode::Custom:
        position.zoom = ui->pdfView->zoomFactor();
        break;
    }
    ReadingPositions::save(positionKey, position);
}
