#ifndef CONFIGDIALOG_H
#define CONFIGDIALOG_H

#include <QDialog>
#include <QIcon>
#include <QSize>
#include <QString>

class QDialogButtonBox;
class QHBoxLayout;
class QListWidget;
class QStackedWidget;

// A paged settings dialog: a column of page icons on the left, the chosen page beside it, the buttons
// below. Any widget can be a page; a page that has the slots initialize(), save() or cleanup() gets them
// called when the dialog opens, when it is accepted and when it closes. A save() that returns false
// keeps the dialog open on that page.
class ConfigDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfigDialog)

public:
    explicit ConfigDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~ConfigDialog() override;

    // The dialog takes the page over; the first page added is the one shown first.
    void addPage(QWidget *page, const QIcon &icon, const QString &title);
    int count() const;
    QWidget *page(int index) const;
    QString pageTitle(int index) const;
    QIcon pageIcon(int index) const;
    int currentIndex() const;
    void setCurrentIndex(int index);

    QSize iconSize() const;
    void setIconSize(const QSize &size);

    QDialogButtonBox *dialogButtonBox() const;
    // The layout that holds the icon list and the pages.
    QHBoxLayout *pageAreaLayout() const;

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void invokeOnPages(const char *method) const;
    static bool savePage(QWidget *page);
    void fitPageList();

    QListWidget *pageList = nullptr;
    QStackedWidget *pageStack = nullptr;
    QHBoxLayout *pageArea = nullptr;
    QDialogButtonBox *buttonBox = nullptr;
    // Between initialize() and cleanup() of the pages.
    bool pagesOpen = false;
};

#endif // CONFIGDIALOG_H
