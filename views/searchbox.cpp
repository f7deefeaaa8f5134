#include "views/searchbox.h"

#include "ui_searchbox.h"

searchbox::searchbox(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::searchbox>())
{
    ui->setupUi(this);
}

searchbox::~searchbox() = default;

QString searchbox::text() const
{
    return ui->searchBox->text();
}

void searchbox::setText(const QString &text)
{
    ui->searchBox->setText(text);
}

void searchbox::on_searchBox_textChanged(const QString &text)
{
    emit searchText(text);
}

void searchbox::focusSearch()
{
    ui->searchBox->setFocus(Qt::ShortcutFocusReason);
    ui->searchBox->selectAll();
}
