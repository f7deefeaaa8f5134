#include "model/fulltextsearch.h"

#include "model/fulltextquery.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// Marks around the words in a snippet that no text holds, so that the text can be escaped around them.
const QString StartMark = QStringLiteral("\x02");
const QString EndMark = QStringLiteral("\x03");
constexpr int SnippetTokens = 12;

QString richSnippet(const QString &marked)
{
    return marked.toHtmlEscaped().replace(StartMark, QStringLiteral("<b>")).replace(EndMark, QStringLiteral("</b>"));
}

} // namespace

FullTextSearch::Result FullTextSearch::run(const QString &typed, const Scope &scope, const QSqlDatabase &db)
{
    const FullTextQuery query(typed);
    if (!query.problem().isEmpty() || query.match().isEmpty())
        return {{}, query.problem()};
    // By rank, which is bm25: FTS5 then sorts the hits itself and makes snippets for the best only, where an
    // order by bm25() would make one for every matching page first.
    QSqlQuery statement(db);
    statement.prepare(
        QStringLiteral("SELECT files.iid, files.filePath, fulltext.part, snippet(fulltext, 2, :start, :end, '…', %1) "
                       "FROM fulltext JOIN files ON files.fid = fulltext.fid JOIN items ON items.iid = files.iid "
                       "WHERE fulltext MATCH :match AND items.type = :type AND (:aid = 0 OR files.iid IN "
                       "(SELECT iid FROM items_authors WHERE aid = :aid)) AND (:tid = 0 OR files.iid IN (SELECT iid "
                       "FROM itemtags WHERE tid = :tid)) AND (:sid = 0 OR files.iid IN (SELECT iid FROM itemseries "
                       "WHERE sid = :sid)) ORDER BY rank LIMIT %2")
            .arg(SnippetTokens)
            .arg(MostHits));
    statement.bindValue(QStringLiteral(":start"), StartMark);
    statement.bindValue(QStringLiteral(":end"), EndMark);
    statement.bindValue(QStringLiteral(":match"), query.match());
    statement.bindValue(QStringLiteral(":type"), scope.type);
    statement.bindValue(QStringLiteral(":aid"), scope.aid);
    statement.bindValue(QStringLiteral(":tid"), scope.tid);
    statement.bindValue(QStringLiteral(":sid"), scope.sid);
    if (!statement.exec()) {
        qDebug() << "full-text search failed:" << statement.lastError().text();
        return {{}, QCoreApplication::translate("FullTextSearch", "The books' text cannot be searched for this.")};
    }
    Result result;
    while (statement.next()) {
        result.hits.append({statement.value(0).toInt(), statement.value(1).toString(), statement.value(2).toInt(),
                            richSnippet(statement.value(3).toString())});
    }
    return result;
}
