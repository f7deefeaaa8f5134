#ifndef PDFREADER_H
#define PDFREADER_H

#include <QString>
#include <QWidget>

#include <memory>

class PdfSearchResults;
class QPdfBookmarkModel;
class QPdfDocument;
class QPdfSearchModel;

namespace Ui {
class PdfReader;
}

// Shows a PDF: its pages scrolling one below the other, its outline, a search through its text, and the
// page and zoom it was left at, which it opens at again.
class PdfReader : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PdfReader)

public:
    // A protected file asks for its password once, with this widget's window as the dialog's parent.
    PdfReader(QWidget *parent, const QString &filePath);
    ~PdfReader() override;

    QString filePath() const { return path; }
    // A reader whose file did not open is not to be shown; failure() says why.
    bool isReadable() const { return failureText.isEmpty(); }
    QString failure() const { return failureText; }
    // Goes to the page (0-based) and searches for the words there, as for a hit of the library's text.
    void showPage(int page, const QString &words);

private:
    // Loads the file, asking for a password if it needs one; false with failureText set when it fails.
    bool load();
    void showOutline();
    void connectControls();
    void addShortcuts();
    void zoomBy(qreal factor);
    void fit(bool width);
    void showZoomMode();
    void search(const QString &text);
    // step 1 goes to the next hit, -1 to the previous one.
    void stepHit(int step);
    void showHit(int index);
    void restorePosition();
    void savePosition() const;

    std::unique_ptr<Ui::PdfReader> ui;
    QString path;
    QString failureText;
    QString positionKey;
    QPdfDocument *document;
    QPdfBookmarkModel *outline;
    QPdfSearchModel *searchModel;
    PdfSearchResults *results;
    int currentHit = -1;
};

#endif // PDFREADER_H
