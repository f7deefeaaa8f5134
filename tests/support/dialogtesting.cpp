#include "tests/support/dialogtesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

const QString SetStar = QStringLiteral(":/icons/icons/16x16/001_15.png");
const QString UnsetStar = QStringLiteral(":/icons/icons/16x16/001_17.png");

QImage imageOf(const QIcon &icon, QSize size)
{
    return icon.pixmap(size).toImage();
}

} // namespace

void DialogTesting::click(const QWidget &dialog, const char *button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

void DialogTesting::retype(QWidget *field, const QString &text)
{
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

void DialogTesting::retype(const QWidget &dialog, const char *field, const QString &text)
{
    retype(child<QWidget>(dialog, field), text);
}

void DialogTesting::showTab(const QWidget &dialog, int index)
{
    QTabBar *bar = child<QTabWidget>(dialog, "tabWidget")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

QList<QStringList> DialogTesting::fileRows(const QWidget &dialog)
{
    const auto *table = child<QTableWidget>(dialog, "fileTable");
    QList<QStringList> rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells.append(table->item(row, column) ? table->item(row, column)->text() : QString());
        rows.append(cells);
    }
    return rows;
}

void DialogTesting::clickFileRow(const QWidget &dialog, int row)
{
    auto *table = child<QTableWidget>(dialog, "fileTable");
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 0)).center());
}

QString DialogTesting::stars(const QWidget &dialog)
{
    const QImage set = imageOf(QIcon(SetStar), QSize(16, 16));
    const QImage unset = imageOf(QIcon(UnsetStar), QSize(16, 16));
    QString shown;
    for (int number = 1; number <= 5; ++number) {
        const QImage image = imageOf(
            child<QPushButton>(dialog, QStringLiteral("btnRating%1").arg(number).toLatin1().constData())->icon(),
            QSize(16, 16));
        shown += image == set ? u'+' : image == unset ? u'-' : u'?';
    }
    return shown;
}

QImage DialogTesting::coverShown(const QWidget &dialog)
{
    const auto *button = child<QPushButton>(dialog, "btnBookCover");
    return imageOf(button->icon(), button->iconSize());
}

QImage DialogTesting::coverFrom(const QWidget &dialog, const QString &path)
{
    return imageOf(QIcon(QPixmap::fromImage(QImage(path))), child<QPushButton>(dialog, "btnBookCover")->iconSize());
}

void DialogTesting::chooseFile(QFileDialog *dialog, const QString &path)
{
    // selectFile() leaves the name field as it is while the field has the focus, which it gets once the
    // dialog is active: the dialog would then accept its start directory, or nothing.
    if (QWidget *focused = dialog->focusWidget())
        focused->clearFocus();
    dialog->selectFile(path);
    // QFileDialog's own accept() (reached through the public QDialog one) checks the file as OK does.
    static_cast<QDialog *>(dialog)->accept();
}

void DialogTesting::press(QMessageBox *box, QMessageBox::StandardButton button)
{
    if (QAbstractButton *answer = box->button(button))
        answer->click();
}

void DialogTesting::closeModalWindows()
{
    while (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
}
