#include "widgets/deleteconfirmation.h"

#include <QCoreApplication>
#include <QMessageBox>

bool DeleteConfirmation::ask(QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setText(QCoreApplication::translate("ItemViews", "You have requested to delete one or more items."));
    box.setInformativeText(QCoreApplication::translate(
        "ItemViews", "Are you sure you want to delete these items? No files will be deleted!"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
