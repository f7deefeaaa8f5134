#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class Book;
class ConversionWizard;
class FileSyncManager;
class FullTextStatus;
class ItemViews;
class QAction;
class QLabel;
class QTimer;
class QTreeWidgetItem;
class RichTextEditor;
class searchbox;
class UpdateManager;
class WebBrowser;
struct ViewItem;

namespace Ui {
class MainWindow;
}

// The signals and slots carry these types; moc needs them whole.
Q_MOC_INCLUDE("model/book.h")
Q_MOC_INCLUDE("model/viewitem.h")
Q_MOC_INCLUDE(<QTreeWidgetItem>)

class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

signals:
    void bookAdded(Book *book);

public slots:
    void renderInformationPanel(ViewItem *item);
    // Takes the book over and shows it in the views.
    void bookAddedSlot(Book *book);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_actionQuit_triggered();
    void on_actionAddEbook_triggered();
    void on_actionAdd_Mutiple_triggered();
    void on_actionOpen_triggered();
    void on_actionWeb_triggered();
    void on_actionCloud_triggered();
    void on_actionSync_triggered();
    void on_actionConvert_triggered();
    void on_actionConfiguration_triggered();
    // No action of the form has this name: it is there to be invoked by name.
    void on_actionLogin_triggered();
    void on_actionAbout_triggered();
    void on_actionCredits_triggered();
    void on_actionNotices_triggered();
    void on_actionView_triggered();
    void on_actionList_triggered();
    void on_actionNotes_toggled(bool checked);
    void on_tabWidget_tabCloseRequested(int index);
    void on_tabWidget_currentChanged(int index);
    void on_lineEdit_textChanged(const QString &text);
    void on_libraryList_itemDoubleClicked(QTreeWidgetItem *entry, int column);

private:
    void createStatusBar();
    void arrangeSplitters();
    void connectMenus();
    void stepTab(int step);
    // In the reader for the file's format; a PDF that cannot be read opens no tab and says why.
    // part: the 1-based page or chapter to open at, with the words searched for in a PDF; 0 for where the
    // reader stopped.
    void openReader(const QString &path, int part = 0, const QString &words = {});
    // The panels follow the book open in a reader tab.
    void showReadBook(const QString &path);
    // The information panel and the notes follow the view's last selected item.
    void followSelection(ItemViews *view, ViewItem *item);
    void showSelection();
    void showInPanels(ViewItem *item);
    void showSummary();
    void createNotesEditor();
    void createSearchBox();
    void openBooksTab();
    void removeFirstTabCloseButton();
    void openWebPagesTab();
    void openAuthorTab(QTreeWidgetItem *entry);
    // A tab of the books of the tag or series the entry names.
    void openLabelTab(QTreeWidgetItem *entry);
    // Whether the entry names a tag or series.
    bool isLabelEntry(const QTreeWidgetItem *entry) const;
    void showLibraryListMenu(const QPoint &position);
    // Asks for the new name; a name another entry has merges the two, once the user agrees.
    void renameLabel(QTreeWidgetItem *entry);
    WebBrowser *addBrowserTab(const QString &title);
    void showCapturedPage(ViewItem *item);
    ItemViews *addItemViewsTab(const QString &kind, int aid, const QString &title, const QString &icon);
    ItemViews *currentItemViews() const;
    void switchView(QAction *chosen, QAction *other);
    void hideNotes();
    void loadAuthorsIntoTree();
    // The tags and series with their counts, under their entries of the tree.
    void loadLabelsIntoTree();
    void readCloudToken();
    void createConversionWizard();
    void buildAddMenu();
    void createUpdateManager();

    // Where the tags and series stand among the library tree's top-level entries.
    static constexpr int TagsEntry = 3;
    static constexpr int SeriesEntry = 4;

    std::unique_ptr<Ui::MainWindow> ui;
    QString cloudToken;
    searchbox *searchBox = nullptr;
    RichTextEditor *notesEditor = nullptr;
    FileSyncManager *syncManager = nullptr;
    ConversionWizard *conversionWizard = nullptr;
    UpdateManager *updateManager = nullptr;
    QLabel *statusSummary = nullptr;
    FullTextStatus *fullText = nullptr;
    QTimer *selectionFollower = nullptr;
    QPointer<ItemViews> selectionSource;
    int selectionIid = -1;
    static constexpr int StatusMessageMs = 5000;
};

#endif // MAINWINDOW_H
