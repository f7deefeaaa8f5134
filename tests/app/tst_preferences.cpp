#include "app/configdialog.h"
#include "app/mainwindow.h"
#include "core/logger.h"
#include "core/settings.h"
#include "tests/support/startedwindow.h"
#include "tests/support/testlibrary.h"
#include "tests/support/testmain.h"
#include "tools/configapps.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(48, 48)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A page that counts what the dialog calls on it.
class ProbePage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    int initialized = 0;
    int saved = 0;
    int cleanedUp = 0;
    bool canSave = true;

public slots:
    void initialize() { ++initialized; }
    bool save()
    {
        ++saved;
        return canSave;
    }
    void cleanup() { ++cleanedUp; }
};

// Runs `answer` on the modal widget that `open` brings up, from inside its event loop.
void whileModal(const std::function<void()> &open, const std::function<void(QWidget *)> &answer)
{
    bool answered = false;
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        answered = true;
        answer(modal);
        // A failed check must not leave the dialog waiting for an answer that never comes.
        if (QTest::currentTestFailed() && QApplication::activeModalWidget())
            QApplication::activeModalWidget()->close();
    });
    open();
    QVERIFY(answered);
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

public:
    explicit TestPreferences(TestEnvironment &environment)
        : environment(environment)
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void preferencesOpenOnAppsWithSaveAndCancel();
    void preferencesPagesAreTwoSeparateAppsPages();
    void saveAcceptsAndEveryPageIsCleanedUp();
    void pagesAreInitializedOnOpenAndCleanedUpOnClose();
    void pageThatCannotSaveKeepsTheDialogOpen();
    void escapeInADialogPageCancelsTheWholeDialog();
    void appsPagesShowTheSettingsWhenOpened();
    void aboutBoxNamesProductMakerVersionAndSite();

private:
    void triggerPreferences(const std::function<void(ConfigDialog *)> &inspect);
    int loggedCleanups() const;

    TestEnvironment &environment;
    std::unique_ptr<TestLibrary> library;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir logDir;
    QString logFile;
};

void TestPreferences::initTestCase()
{
    QVERIFY(logDir.isValid());
    // A log of our own shows that the pages' cleanup() ran: it is all they do there.
    logFile = logDir.filePath(QStringLiteral("probe.log"));
    QVERIFY(Logger::instance().addFileEngine(QStringLiteral("probe"), logFile));
    Logger::instance().enableLevels(QStringLiteral("probe"), Logger::DebugLevel);
}

void TestPreferences::init()
{
    library = std::make_unique<TestLibrary>(environment);
    window = startMainWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestPreferences::cleanup()
{
    window.reset();
    library.reset();
    environment.reset();
}

void TestPreferences::triggerPreferences(const std::function<void(ConfigDialog *)> &inspect)
{
    auto *action = window->findChild<QAction *>(QStringLiteral("actionConfiguration"));
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    whileModal([action] { action->trigger(); },
               [&inspect](QWidget *modal) {
                   auto *dialog = qobject_cast<ConfigDialog *>(modal);
                   if (!dialog) {
                       if (modal)
                           modal->close();
                       QFAIL("The preferences dialog is not modal in front.");
                   }
                   inspect(dialog);
                   // Whatever the inspection left open, the dialog closes.
                   if (dialog->isVisible())
                       dialog->reject();
               });
    // Created per use: nothing of it stays with the window.
    QVERIFY(window->findChildren<ConfigDialog *>().isEmpty());
}

int TestPreferences::loggedCleanups() const
{
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    return int(file.readAll().count("] cleanup\n"));
}

void TestPreferences::preferencesOpenOnAppsWithSaveAndCancel()
{
    bool inspected = false;
    triggerPreferences([&](ConfigDialog *dialog) {
        inspected = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Preferences"));
        QCOMPARE(dialog->parentWidget(), window.get());
        QCOMPARE(dialog->currentIndex(), 0);
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("pageList"));
        QVERIFY(list);
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Apps"));
        auto *stack = dialog->findChild<QStackedWidget *>(QStringLiteral("pageStack"));
        QVERIFY(stack->currentWidget()->isVisible());
        QCOMPARE(stack->currentWidget(), dialog->page(0));

        QDialogButtonBox *buttons = dialog->dialogButtonBox();
        QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Save | QDialogButtonBox::Cancel);
        QCOMPARE(buttons->buttons().size(), 3);
        QVERIFY(buttons->button(QDialogButtonBox::Save)->isVisible());
        // The full-text index is emptied, to be read again.
        QVERIFY(TestLibrary::exec(QStringLiteral("INSERT INTO fulltextfiles (fid, state) VALUES (999, 'indexed')")));
        auto *rebuild = buttons->findChild<QPushButton *>(QStringLiteral("btnRebuildFullText"));
        QCOMPARE(rebuild->text(), QStringLiteral("Rebuild the full-text index"));
        QTest::mouseClick(rebuild, Qt::LeftButton);
        QCOMPARE(TestLibrary::rows(QStringLiteral("SELECT count(*) FROM fulltextfiles WHERE fid = 999")),
                 QList<QVariantList>({{0}}));

        QCOMPARE(dialog->minimumSize(), QSize(700, 500));
        QVERIFY(dialog->width() >= 700 && dialog->height() >= 500);
        QCOMPARE(dialog->iconSize(), QSize(48, 48));
        QCOMPARE(list->iconSize(), QSize(48, 48));
        QCOMPARE(dialog->layout()->spacing(), 4);
        QCOMPARE(dialog->layout()->contentsMargins(), QMargins(6, 6, 6, 6));
        QCOMPARE(dialog->pageAreaLayout()->spacing(), 0);
        QCOMPARE(dialog->pageAreaLayout()->contentsMargins(), QMargins(0, 0, 0, 0));
    });
    QVERIFY(inspected);
}

void TestPreferences::preferencesPagesAreTwoSeparateAppsPages()
{
    bool inspected = false;
    triggerPreferences([&](ConfigDialog *dialog) {
        inspected = true;
        QCOMPARE(dialog->count(), 2);
        QCOMPARE(dialog->pageTitle(0), QStringLiteral("Apps"));
        QCOMPARE(dialog->pageTitle(1), QStringLiteral("Paths"));
        QCOMPARE(iconImage(dialog->pageIcon(0)), iconImage(QIcon(QStringLiteral(":/icons/icons/48x48/apps.png"))));
        QCOMPARE(iconImage(dialog->pageIcon(1)), iconImage(QIcon(QStringLiteral(":/icons/icons/48x48/folder.png"))));
        QVERIFY(iconImage(dialog->pageIcon(0)) != iconImage(dialog->pageIcon(1)));

        auto *apps = qobject_cast<ConfigApps *>(dialog->page(0));
        auto *paths = qobject_cast<ConfigApps *>(dialog->page(1));
        QVERIFY(apps && paths);
        QVERIFY(apps != paths);
        // Shown inside the dialog, not as windows of their own.
        QVERIFY(!apps->isWindow());
        QVERIFY(!paths->isWindow());

        // Choosing the second icon shows the second page.
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("pageList"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(dialog->currentIndex(), 1);
        QVERIFY(paths->isVisible());
        QVERIFY(!apps->isVisible());
    });
    QVERIFY(inspected);
}

void TestPreferences::saveAcceptsAndEveryPageIsCleanedUp()
{
    const int before = loggedCleanups();
    int result = -1;
    triggerPreferences([&](ConfigDialog *dialog) {
        connect(dialog, &QDialog::finished, dialog, [&result](int finished) { result = finished; });
        QCOMPARE(loggedCleanups(), before);
        dialog->dialogButtonBox()->button(QDialogButtonBox::Save)->click();
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(loggedCleanups(), before + 2);

    // Cancel ends the pages just the same.
    triggerPreferences([&](ConfigDialog *dialog) {
        connect(dialog, &QDialog::finished, dialog, [&result](int finished) { result = finished; });
        dialog->dialogButtonBox()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(loggedCleanups(), before + 4);
}

void TestPreferences::pagesAreInitializedOnOpenAndCleanedUpOnClose()
{
    ConfigDialog dialog;
    auto *first = new ProbePage;
    auto *second = new ProbePage;
    dialog.addPage(first, QIcon(), QStringLiteral("First"));
    // Any widget can be a page, also one without the slots.
    dialog.addPage(new QWidget, QIcon(), QStringLiteral("Plain"));
    dialog.addPage(second, QIcon(), QStringLiteral("Second"));
    QVERIFY(dialog.isAncestorOf(first));
    QCOMPARE(first->initialized, 0);

    dialog.show();
    QCOMPARE(dialog.currentIndex(), 0);
    QCOMPARE(first->initialized, 1);
    QCOMPARE(second->initialized, 1);
    QCOMPARE(first->cleanedUp, 0);

    dialog.reject();
    QCOMPARE(first->cleanedUp, 1);
    QCOMPARE(second->cleanedUp, 1);
    QCOMPARE(first->saved, 0);

    // Every opening is a new session for the pages.
    whileModal([&dialog] { dialog.exec(); },
               [&](QWidget *modal) {
                   QCOMPARE(modal, &dialog);
                   QCOMPARE(second->initialized, 2);
                   dialog.dialogButtonBox()->button(QDialogButtonBox::Ok)->click();
               });
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(first->saved, 1);
    QCOMPARE(second->saved, 1);
    QCOMPARE(first->cleanedUp, 2);
    QCOMPARE(second->cleanedUp, 2);
}

void TestPreferences::pageThatCannotSaveKeepsTheDialogOpen()
{
    ConfigDialog dialog;
    auto *first = new ProbePage;
    auto *second = new ProbePage;
    second->canSave = false;
    dialog.addPage(first, QIcon(), QStringLiteral("First"));
    dialog.addPage(second, QIcon(), QStringLiteral("Second"));
    dialog.show();
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.currentIndex(), 1);
    QCOMPARE(second->cleanedUp, 0);

    second->canSave = true;
    dialog.accept();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(second->saved, 2);
    QCOMPARE(second->cleanedUp, 1);
}

void TestPreferences::escapeInADialogPageCancelsTheWholeDialog()
{
    ConfigDialog dialog;
    auto *page = new QDialog;
    auto *field = new QLineEdit(page);
    dialog.addPage(page, QIcon(), QStringLiteral("Dialog page"));
    QVERIFY(!page->isWindow());
    bool closedByEscape = false;
    whileModal([&dialog] { dialog.exec(); },
               [&](QWidget *) {
                   field->setFocus();
                   QTest::keyClick(field, Qt::Key_Escape);
                   closedByEscape = !dialog.isVisible();
                   if (!closedByEscape)
                       dialog.reject();
               });
    QVERIFY(closedByEscape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    // The page itself did not close, so the next opening shows it.
    QVERIFY(!page->isHidden());
}

void TestPreferences::appsPagesShowTheSettingsWhenOpened()
{
    ConfigDialog dialog;
    auto *apps = new ConfigApps(&dialog);
    dialog.addPage(apps, QIcon(), QStringLiteral("Apps"));
    // Stored after the page was made: only initialize() on opening brings it in.
    const QString sigilDir = library->writeFile(QStringLiteral("sigil/") + ConfigApps::sigilFileName(), "#!/bin/sh\n");
    Settings().setValue(Settings::SigilDirPath, QFileInfo(sigilDir).absolutePath());
    auto *field = apps->findChild<QLineEdit *>(QStringLiteral("sigilPath"));
    QVERIFY(field);
    QVERIFY(field->text() != QFileInfo(sigilDir).absolutePath());

    dialog.show();
    QCOMPARE(field->text(), QFileInfo(sigilDir).absolutePath());
    const int before = loggedCleanups();
    dialog.reject();
    QCOMPARE(loggedCleanups(), before + 1);
}

void TestPreferences::aboutBoxNamesProductMakerVersionAndSite()
{
    auto *action = window->findChild<QAction *>(QStringLiteral("actionAbout"));
    QVERIFY(action);
    QVERIFY(action->isEnabled());
    QString title;
    QString text;
    QPointer<QWidget> parent;
    whileModal([action] { action->trigger(); },
               [&](QWidget *modal) {
                   auto *box = qobject_cast<QMessageBox *>(modal);
                   QVERIFY(box);
                   title = box->windowTitle();
                   text = box->text();
                   parent = box->parentWidget();
                   box->button(QMessageBox::Ok)->click();
               });
    QCOMPARE(title, QStringLiteral("About Shelvio"));
    QCOMPARE(parent.data(), window.get());
    QVERIFY2(text.contains(QStringLiteral("<h3>Shelvio</h3>")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Tessary")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Version 0.3 Alpha")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("<a href=\"https://www.shelvio.org\">Website</a>")), qPrintable(text));
}

SHELVIO_TEST_MAIN(TestPreferences)

#include "tst_preferences.moc"
