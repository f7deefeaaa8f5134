#include "metadata/tablebutton.h"

#include "ui_tablebutton.h"

#include <QDesktopServices>
#include <QUrl>

TableButton::TableButton(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::TableButton>())
{
    ui->setupUi(this);
    connect(ui->btnChecked, &QToolButton::toggled, this, [this](bool checked) { emit checkedChanged(row, checked); });
}

TableButton::~TableButton() = default;

void TableButton::setFilePath(const QString &path)
{
    filePath = path;
}

void TableButton::setRow(int row)
{
    this->row = row;
}

bool TableButton::isChecked() const
{
    return ui->btnChecked->isChecked();
}

void TableButton::setChecked(bool checked)
{
    ui->btnChecked->setChecked(checked);
}

void TableButton::on_toolButton_clicked()
{
    emit downloadData(row);
}

void TableButton::on_btnAddNoLookup_clicked()
{
    emit addWithoutLookup(row);
}

void TableButton::on_bookOpen_clicked()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}
