#include "editing/labelfields.h"

#include "editing/propertiesform.h"
#include "model/labelstore.h"
#include "ui_labelfields.h"

#include <QAbstractItemView>
#include <QCompleter>

namespace {

const QString Separator = QStringLiteral(", ");

} // namespace

LabelFields::LabelFields(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::LabelFields>())
{
    ui->setupUi(this);
    completer = new QCompleter(LabelStore::tagNames(), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setWidget(ui->tagsEdit);
    connect(completer, qOverload<const QString &>(&QCompleter::activated), this, &LabelFields::completeTag);
    connect(ui->tagsEdit, &QLineEdit::textEdited, this, [this] {
        const QString typed = typedTag();
        completer->setCompletionPrefix(typed);
        if (typed.isEmpty())
            completer->popup()->hide();
        else
            completer->complete();
    });
    ui->seriesCombo->addItems(LabelStore::seriesNames());
}

LabelFields::~LabelFields() = default;

void LabelFields::showLabels(const QStringList &tags, const ItemSeries &series)
{
    ui->tagsEdit->setText(tags.join(Separator));
    ui->seriesCombo->setCurrentText(series.name);
    ui->seriesPosition->setValue(series.position.value_or(ui->seriesPosition->minimum()));
}

QStringList LabelFields::tags() const
{
    return LabelStore::normalized(ui->tagsEdit->text().split(u','));
}

ItemSeries LabelFields::series() const
{
    const QString name = LabelStore::normalized(ui->seriesCombo->currentText());
    return {name, name.isEmpty() ? std::nullopt : PropertiesForm::seriesPosition(*ui->seriesPosition)};
}

void LabelFields::addTags(const QStringList &tags)
{
    ui->tagsEdit->setText(LabelStore::normalized(this->tags() + tags).join(Separator));
}

QString LabelFields::typedTag() const
{
    const QString text = ui->tagsEdit->text();
    return text.mid(text.lastIndexOf(u',') + 1).trimmed();
}

void LabelFields::completeTag(const QString &tag)
{
    QString text = ui->tagsEdit->text();
    text.truncate(text.lastIndexOf(u',') + 1);
    ui->tagsEdit->setText((text.isEmpty() ? QString() : text + u' ') + tag + Separator);
}
