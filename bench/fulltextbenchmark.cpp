#include "bench/fulltextbenchmark.h"

#include "app/mainwindow.h"
#include "bench/eventqueue.h"
#include "bench/sampletext.h"
#include "bench/searchbenchmark.h"
#include "bench/windowtargets.h"
#include "model/fulltextsearch.h"
#include "reader/fulltextindexer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>

using namespace std::chrono_literals;

namespace {

constexpr quint32 Seed = 26;
constexpr int KeystrokeRounds = 2;
constexpr int ProcessTimeoutMs = 60000;
constexpr double IndexToTextLimit = 1.5;
constexpr double ThroughputRatioLimit = 0.5;
constexpr double QueryMaxMs = 50;

// The word planted in a book, on the page PagesPerBook tells from its number: no other text holds it.
QString plantedWord(int book)
{
    return QStringLiteral("quillwort%1").arg(book, 5, 10, QLatin1Char('0'));
}

int plantedPage(int book)
{
    return book % FullTextBenchmark::PagesPerBook;
}

// The pages in use: those freed by the index's merges are not its size.
qint64 databaseBytes()
{
    QSqlQuery query;
    if (!query.exec(QStringLiteral("SELECT (page_count - freelist_count) * page_size FROM pragma_page_count(), "
                                   "pragma_freelist_count(), pragma_page_size()"))
        || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool indexLibrary(FullTextIndexer &indexer)
{
    bool finished = false;
    QObject::connect(&indexer, &FullTextIndexer::finished, [&finished] { finished = true; });
    indexer.start();
    return EventQueue::waitUntil([&finished] { return finished; }, 3600s);
}

} // namespace

FullTextBenchmark::FullTextBenchmark(MainWindow &window, const QString &folder, int textBooks, int books)
    : window(window)
    , folder(folder)
    , textBooks(qMin(textBooks, books))
    , books(books)
{
}

QList<Figure> FullTextBenchmark::run()
{
    Figure ratio(QStringLiteral("fulltext_index_ratio"), QStringLiteral("full text: indexing / pdftotext"), QString(),
                 2);
    ratio.addBound(Figure::Statistic::Value, Figure::Comparison::AtLeast, ThroughputRatioLimit);
    Figure pages(QStringLiteral("fulltext_pages_s"), QStringLiteral("full text: pages indexed"),
                 QStringLiteral("pages/s"), 0);
    Figure reference(QStringLiteral("fulltext_pdftotext_pages_s"), QStringLiteral("full text: pdftotext"),
                     QStringLiteral("pages/s"), 0);
    Figure size(QStringLiteral("fulltext_index_to_text"), QStringLiteral("full text: index / text size"), QString(), 2);
    size.addBound(Figure::Statistic::Value, Figure::Comparison::AtMost, IndexToTextLimit);
    Figure queries(QStringLiteral("fulltext_query_ms"), QStringLiteral("full text: query"), QStringLiteral("ms"), 1);
    queries.addBound(Figure::Statistic::Maximum, Figure::Comparison::AtMost, QueryMaxMs);
    const QList<Figure> all{ratio, pages, reference, size, queries};

    // The library's stand-in files are no PDFs; a first pass, not timed, finds them so.
    {
        FullTextIndexer first;
        if (!indexLibrary(first))
            return Figure::failedIf(all, QStringLiteral("the first pass did not end"));
    }
    QString error;
    if (!writeBooks(&error))
        return Figure::failedIf(all, error);
    const double pdftotext = pdftotextSeconds(&error);
    if (pdftotext < 0)
        return Figure::failedIf(all, error);

    const qint64 bytesBefore = databaseBytes();
    FullTextIndexer indexer;
    QElapsedTimer clock;
    clock.start();
    bool finished = false;
    QObject::connect(&indexer, &FullTextIndexer::finished, [&finished] { finished = true; });
    indexer.start();
    // A title search typed while the index fills.
    SearchBenchmark typing(window, SampleText::SearchWord.toString(), KeystrokeRounds, books);
    typing.name(QStringLiteral("search_keystroke_indexing_ms"), QStringLiteral("search: per keystroke, indexing"));
    Figure keystrokes = typing.run();
    if (!EventQueue::waitUntil([&finished] { return finished; }, 3600s))
        return Figure::failedIf(all, QStringLiteral("indexing did not end"));
    const double indexing = clock.nsecsElapsed() / 1e9;
    const double pageCount = double(textBooks) * PagesPerBook;
    pages.addSample(pageCount / indexing);
    reference.addSample(pageCount / pdftotext);
    ratio.addSample(pdftotext / indexing);

    QSqlQuery text;
    if (text.exec(QStringLiteral("SELECT sum(length(CAST(body AS BLOB))) FROM fulltext")) && text.next())
        size.addSample(double(databaseBytes() - bytesBefore) / text.value(0).toDouble());
    qInfo("  %d books of %d pages: indexed in %.1f s, pdftotext %.1f s; index grew by %.1f MB", textBooks, PagesPerBook,
          indexing, pdftotext, (databaseBytes() - bytesBefore) / 1048576.0);

    // Rare words, their prefixes, and phrases of the common vocabulary.
    QStringList asked;
    for (int index = 0; index < 8; ++index)
        asked << plantedWord(index * textBooks / 8);
    for (int index = 0; index < 6; ++index)
        asked << plantedWord(index * textBooks / 6).chopped(2) + u'*';
    const QStringList phrases = SampleText::commonPhrases();
    for (const QString &phrase : phrases)
        asked << u'"' + phrase + u'"';
    for (const QString &query : std::as_const(asked)) {
        QElapsedTimer one;
        one.start();
        const FullTextSearch::Result result = FullTextSearch::run(query, {QStringLiteral("Book"), 0});
        queries.addSample(one.nsecsElapsed() / 1e6);
        if (!result.problem.isEmpty())
            queries.fail(result.problem);
    }
    const FullTextSearch::Result planted = FullTextSearch::run(plantedWord(0), {QStringLiteral("Book"), 0});
    if (planted.hits.size() != 1 || planted.hits.constFirst().part != plantedPage(0) + 1)
        queries.fail(QStringLiteral("a planted word was not found on its page"));
    return {ratio, pages, reference, size, queries, keystrokes};
}

bool FullTextBenchmark::writeBooks(QString *error)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    QSqlQuery files;
    files.setForwardOnly(true);
    if (!files.exec(
            QStringLiteral("SELECT fid FROM files JOIN books USING (iid) ORDER BY fid LIMIT %1").arg(textBooks))) {
        *error = QStringLiteral("cannot list the books' files");
        return false;
    }
    QList<int> fids;
    while (files.next())
        fids << files.value(0).toInt();
    files.finish();
    QRandomGenerator random(Seed);
    SampleText prose(random);
    QSqlQuery update;
    update.prepare(QStringLiteral("UPDATE files SET filePath = :path, fileName = :name WHERE fid = :fid"));
    for (qsizetype book = 0; book < fids.size(); ++book) {
        const QString name = QStringLiteral("text-%1.pdf").arg(book, 5, 10, QLatin1Char('0'));
        const QString path = folder + u'/' + name;
        QPdfWriter writer(path);
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
        const QRect page(0, 0, writer.width(), writer.height());
        for (int number = 0; number < PagesPerBook; ++number) {
            if (number > 0)
                writer.newPage();
            QString text = prose.description(false) + u' ' + prose.description(false);
            if (number == plantedPage(int(book)))
                text += u' ' + plantedWord(int(book)) + u'.';
            painter.drawText(page, Qt::TextWordWrap, text);
        }
        painter.end();
        update.bindValue(QStringLiteral(":path"), path);
        update.bindValue(QStringLiteral(":name"), name);
        update.bindValue(QStringLiteral(":fid"), fids.at(book));
        if (!update.exec()) {
            *error = QStringLiteral("cannot store the path of %1").arg(path);
            return false;
        }
        paths << path;
    }
    textBooks = int(paths.size());
    return true;
}

double FullTextBenchmark::pdftotextSeconds(QString *error) const
{
    // Both read from the page cache.
    for (const QString &path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            file.readAll();
    }
    QElapsedTimer clock;
    clock.start();
    for (const QString &path : paths) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(QStringLiteral("pdftotext"), {QStringLiteral("-q"), path, QStringLiteral("-")});
        if (!process.waitForFinished(ProcessTimeoutMs) || process.exitCode() != 0) {
            *error = QStringLiteral("pdftotext could not read %1 (is poppler-utils installed?)").arg(path);
            return -1;
        }
    }
    return clock.nsecsElapsed() / 1e9;
}
