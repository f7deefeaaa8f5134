#ifndef SERIESDIALOG_H
#define SERIESDIALOG_H

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>

namespace Ui {
class SeriesDialog;
}

// Asks for the series to put a selection of items in, and the number of the first of them.
class SeriesDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SeriesDialog)

public:
    explicit SeriesDialog(QWidget *parent = nullptr);
    ~SeriesDialog() override;

    // Empty: out of their series.
    QString name() const;
    std::optional<double> firstPosition() const;

private:
    std::unique_ptr<Ui::SeriesDialog> ui;
};

#endif // SERIESDIALOG_H
