#ifndef READER_H
#define READER_H

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class File;
class QUrl;

namespace Ui {
class Reader;
}

// Shows one book file: an EPUB chapter by chapter beside its table of contents, a text or HTML file
// as it is. The EPUB is unpacked into a directory named by its content digest, which outlives the
// reader and is reused when the same content is opened again.
class Reader : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Reader)

public:
    Reader(QWidget *parent, const QString &path);
    ~Reader() override;

    QString filePath() const;
    // The chapter at this place (0-based) in the reading order.
    void showChapter(int index);

private slots:
    void tocClicked(const QUrl &link);
    void on_btnRight_clicked();
    void on_btnLeft_clicked();
    void on_horizontalSlider_valueChanged(int value);
    void on_toolButton_2_clicked();

private:
    void openFile();
    void openEpub();
    // The book's pages reach no local file outside this folder.
    void keepPagesInside(const QString &folder);
    // Shows the contents beside the book; the file of their first entry, or nothing when they have none.
    QString readTableOfContents(const QString &ncxPath, const QStringList &spine);
    // Paging goes on from the chapter on show, however it was reached.
    void followShownChapter(const QUrl &url);
    void load(const QString &path);

    std::unique_ptr<Ui::Reader> ui;
    std::unique_ptr<File> file;
    QString extractionDir;
    QStringList tocChapterFiles;
    // What previous and next walk through: the spine's reading order, or without one the table of
    // contents' files, or the chapter documents by name.
    QStringList chapterList;
    int currentChapter = 0;
    QString contentBaseDir;
    // Where the chapter read last is kept; empty for a file that has no chapters.
    QString positionKey;
};

#endif // READER_H
