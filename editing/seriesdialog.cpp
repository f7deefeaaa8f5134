#include "editing/seriesdialog.h"

#include "editing/propertiesform.h"
#include "model/labelstore.h"
#include "ui_seriesdialog.h"

SeriesDialog::SeriesDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::SeriesDialog>())
{
    ui->setupUi(this);
    ui->seriesCombo->addItems(LabelStore::seriesNames());
    ui->seriesCombo->setCurrentText(QString());
}

SeriesDialog::~SeriesDialog() = default;

QString SeriesDialog::name() const
{
    return LabelStore::normalized(ui->seriesCombo->currentText());
}

std::optional<double> SeriesDialog::firstPosition() const
{
    return PropertiesForm::seriesPosition(*ui->seriesPosition);
}
