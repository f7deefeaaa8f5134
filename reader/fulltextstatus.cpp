#include "reader/fulltextstatus.h"

#include "core/settings.h"
#include "reader/fulltextindexer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QToolButton>

FullTextStatus::FullTextStatus(QWidget *parent)
    : QWidget(parent)
    , indexer(new FullTextIndexer(this))
    , label(new QLabel(this))
    , pauseButton(new QToolButton(this))
{
    label->setObjectName(QStringLiteral("fullTextProgress"));
    pauseButton->setObjectName(QStringLiteral("btnFullTextPause"));
    pauseButton->setAutoRaise(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(pauseButton);
    connect(pauseButton, &QToolButton::clicked, this, &FullTextStatus::togglePause);
    connect(indexer, &FullTextIndexer::progress, this, &FullTextStatus::showProgress);
    connect(indexer, &FullTextIndexer::finished, this, [this] {
        // A pass that was paused stays on show, to be resumed.
        if (enabled())
            hide();
    });
    hide();
}

FullTextStatus::~FullTextStatus() = default;

bool FullTextStatus::enabled() const
{
    return Settings().value(Settings::FullTextIndexing, true).toBool();
}

void FullTextStatus::startSoon()
{
    if (!enabled()) {
        showProgress(done, total);
        return;
    }
    QTimer::singleShot(StartDelayMs, this, &FullTextStatus::refresh);
}

void FullTextStatus::refresh()
{
    if (enabled())
        indexer->start();
}

void FullTextStatus::rebuild()
{
    FullTextIndexer::clear();
    refresh();
}

void FullTextStatus::togglePause()
{
    const bool resume = !enabled();
    Settings().setValue(Settings::FullTextIndexing, resume);
    if (resume)
        indexer->start();
    else
        indexer->pause();
    showProgress(done, total);
}

void FullTextStatus::showProgress(int filesDone, int filesTotal)
{
    done = filesDone;
    total = filesTotal;
    const QLocale locale;
    if (enabled()) {
        label->setText(tr("Indexing books: %1 of %2").arg(locale.toString(done), locale.toString(total)));
        pauseButton->setText(tr("Pause"));
    } else {
        label->setText(tr("Indexing paused"));
        pauseButton->setText(tr("Resume"));
    }
    show();
}
