#ifndef RATING_H
#define RATING_H

#include <QWidget>

#include <memory>

namespace Ui {
class Rating;
}

// Six buttons that show and set an item's rating of 0 to 5 stars.
class Rating : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Rating)

public:
    Rating(QWidget *parent, int iid);
    ~Rating() override;

    int getIid() const { return iid; }
    // A table row that shows another item after a search or a sort keeps its widget.
    void setIid(int newIid) { iid = newIid; }
    int getRating() const { return rating; }
    // Shows the rating and reports it, also when it did not change.
    void setRating(int rating);

signals:
    void ratingSet(int iid, int rating);

private slots:
    void on_btnRating0_clicked();
    void on_btnRating1_clicked();
    void on_btnRating2_clicked();
    void on_btnRating3_clicked();
    void on_btnRating4_clicked();
    void on_btnRating5_clicked();

private:
    std::unique_ptr<Ui::Rating> ui;
    int iid;
    int rating = 0;
};

#endif // RATING_H
