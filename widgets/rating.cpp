#include "widgets/rating.h"

#include "ui_rating.h"

#include <QIcon>

namespace {

QIcon starIcon(bool set)
{
    return QIcon(set ? QStringLiteral(":/icons/icons/16x16/001_15.png")
                     : QStringLiteral(":/icons/icons/16x16/001_17.png"));
}

} // namespace

Rating::Rating(QWidget *parent, int iid)
    : QWidget(parent)
    , ui(std::make_unique<Ui::Rating>())
    , iid(iid)
{
    ui->setupUi(this);
}

Rating::~Rating() = default;

void Rating::setRating(int rating)
{
    this->rating = rating;
    const QIcon set = starIcon(true);
    const QIcon unset = starIcon(false);
    // A value outside 0 to 5 has no star of its number, so none is set.
    const int shown = rating >= 0 && rating <= 5 ? rating : 0;
    QToolButton *const stars[] = {ui->btnRating1, ui->btnRating2, ui->btnRating3, ui->btnRating4, ui->btnRating5};
    for (int star = 1; star <= 5; ++star)
        stars[star - 1]->setIcon(star <= shown ? set : unset);
    emit ratingSet(iid, rating);
}

void Rating::on_btnRating0_clicked()
{
    setRating(0);
}

void Rating::on_btnRating1_clicked()
{
    setRating(1);
}

void Rating::on_btnRating2_clicked()
{
    setRating(2);
}

void Rating::on_btnRating3_clicked()
{
    setRating(3);
}

void Rating::on_btnRating4_clicked()
{
    setRating(4);
}

void Rating::on_btnRating5_clicked()
{
    setRating(5);
}
