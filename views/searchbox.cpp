#include "views/searchbox.h"

#include "ui_searchbox.h"

#include <QActionGroup>
#include <QMenu>

searchbox::searchbox(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::searchbox>())
{
    ui->setupUi(this);
    pause = new QTimer(this);
    pause->setObjectName(QStringLiteral("typingPause"));
    pause->setSingleShot(true);
    pause->setInterval(TypingPause);
    connect(pause, &QTimer::timeout, this, &searchbox::searchTyped);

    auto *scopes = new QMenu(this);
    auto *group = new QActionGroup(scopes);
    QAction *titles = scopes->addAction(tr("Titles and descriptions"));
    fullText = scopes->addAction(tr("Full text"));
    for (QAction *scope : {titles, fullText}) {
        scope->setCheckable(true);
        group->addAction(scope);
    }
    titles->setChecked(true);
    ui->btnScope->setMenu(scopes);
    ui->btnScope->setText(titles->text());
    connect(group, &QActionGroup::triggered, this, [this](QAction *scope) {
        ui->btnScope->setText(scope->text());
        emit scopeChanged(isFullText());
        // The text on show is searched again in the new scope.
        search();
    });
}

bool searchbox::isFullText() const
{
    return fullText->isChecked();
}

void searchbox::showProblem(const QString &message)
{
    ui->searchMessage->setText(message);
    ui->searchMessage->setVisible(!message.isEmpty());
}

searchbox::~searchbox() = default;

QString searchbox::text() const
{
    return ui->searchBox->text();
}

void searchbox::setText(const QString &text)
{
    ui->searchBox->setText(text);
    search();
}

void searchbox::on_searchBox_textEdited(const QString &text)
{
    // A search of a large library can take longer than the gap between two keys: it waits for a pause,
    // but the first letter shows its hits at once.
    if (searched.isEmpty() && !text.isEmpty())
        searchTyped();
    else
        pause->start();
}

void searchbox::finishTyping()
{
    if (pause->isActive())
        search();
}

void searchbox::search()
{
    pause->stop();
    searched = text();
    emit searchText(searched);
}

void searchbox::searchTyped()
{
    pause->stop();
    searched = text();
    emit textTyped(searched);
}

void searchbox::focusSearch()
{
    ui->searchBox->setFocus(Qt::ShortcutFocusReason);
    ui->searchBox->selectAll();
}
