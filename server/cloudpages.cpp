#include "server/cloudpages.h"

#include "server/storedbook.h"

#include <QLocale>

namespace {

const QString style
    = QStringLiteral("body{font-family:sans-serif;margin:2em auto;max-width:60em;color:#222}"
                     "h1{font-size:1.4em}table{border-collapse:collapse;width:100%}"
                     "th,td{text-align:left;vertical-align:top;padding:.4em;border-bottom:1px solid #CCE1EF}"
                     "ul{margin:0;padding-left:1.2em}.missing{color:#999}.message{color:#a00}"
                     "label{display:block;margin:.5em 0}");

QString page(const QString &title, const QString &content)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>%2</style></head><body>\n%3</body></html>\n")
        .arg(CloudPages::escaped(title), style, content);
}

QString fileList(const QList<StoredBook::File> &files, const QSet<QString> &storedDigests)
{
    QString list;
    for (const StoredBook::File &file : files) {
        const bool stored = storedDigests.contains(file.md5);
        list += QStringLiteral("<li%1>%2 (%3 bytes)%4</li>")
                    .arg(stored ? QString() : QStringLiteral(" class=\"missing\""), CloudPages::escaped(file.name),
                         QLocale::c().toString(file.size), stored ? QString() : QStringLiteral(", not uploaded"));
    }
    return list.isEmpty() ? QString() : QStringLiteral("<ul>") + list + QStringLiteral("</ul>");
}

} // namespace

QByteArray CloudPages::signIn(const QString &message)
{
    QString content = QStringLiteral("<h1>Shelvio cloud</h1>\n");
    if (!message.isEmpty())
        content += QStringLiteral("<p class=\"message\">%1</p>\n").arg(escaped(message));
    content += QStringLiteral("<form method=\"post\" action=\"/\">\n"
                              "<label>Login: <input name=\"username\" autocomplete=\"username\" required></label>\n"
                              "<label>Password: <input name=\"password\" type=\"password\" "
                              "autocomplete=\"current-password\" required></label>\n"
                              "<button type=\"submit\">Sign in</button>\n</form>\n");
    return page(QStringLiteral("Shelvio cloud"), content).toUtf8();
}

QByteArray CloudPages::books(const QString &userName, const QList<StoredBook> &books,
                             const QSet<QString> &storedDigests)
{
    QString content
        = QStringLiteral("<h1>Books of %1</h1>\n<p>%2 synced. <a href=\"/\">Sign out</a></p>\n")
              .arg(escaped(userName),
                   books.size() == 1 ? QStringLiteral("1 book") : QStringLiteral("%1 books").arg(books.size()));
    if (!books.isEmpty()) {
        content += QStringLiteral(
            "<table>\n<tr><th>Title</th><th>Authors</th><th>Series</th><th>Tags</th><th>Files</th></tr>\n");
        for (const StoredBook &book : books) {
            content += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
                           .arg(escaped(book.title()), escaped(book.authors()), escaped(book.series()),
                                escaped(book.tags()), fileList(book.files(), storedDigests));
        }
        content += QStringLiteral("</table>\n");
    }
    return page(QStringLiteral("Books of %1").arg(userName), content).toUtf8();
}

QString CloudPages::escaped(const QString &text)
{
    // toHtmlEscaped leaves the single quote alone; escaping it too keeps any attribute quoting safe.
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}
