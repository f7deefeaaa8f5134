#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_actionQuit_triggered();

private:
    void setupLogging();
    void loadSettings();
    void dbOpen();
    [[noreturn]] void failDatabase(const QString &path, const QString &errorText);
    void arrangeSplitters();
    void createNotesEditor();
    void createSearchBox();
    void openBooksTab();
    void loadAuthorsIntoTree();
    void readCloudToken();
    void createConversionWizard();
    void buildAddMenu();
    void createUpdateManager();

    std::unique_ptr<Ui::MainWindow> ui;
    QSqlDatabase db;
    QString dataDir;
    QString libraryDir;
    QString cloudToken;
};

#endif // MAINWINDOW_H
