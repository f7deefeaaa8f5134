#include "bench/benchoptions.h"

#include <QCommandLineParser>

std::optional<BenchOptions> BenchOptions::parse(const QStringList &arguments)
{
    BenchOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Shelvio on a generated library in a temporary HOME."));
    parser.addHelpOption();
    const QCommandLineOption books(QStringLiteral("books"),
                                   QStringLiteral("Generate <n> books (%1); several sizes, separated by commas, are "
                                                  "measured one after the other.")
                                       .arg(options.books),
                                   QStringLiteral("n"), QString::number(options.books));
    const QCommandLineOption skipUpload(QStringLiteral("skip-upload"),
                                        QStringLiteral("Leave out the upload of a 1 GB file."));
    const QCommandLineOption skipSync(QStringLiteral("skip-sync"),
                                      QStringLiteral("Leave out the sync of the whole library."));
    const QCommandLineOption skipService(QStringLiteral("skip-service"),
                                         QStringLiteral("Leave out the cloud service's refused bodies and idle "
                                                        "connections."));
    const QCommandLineOption textBooks(QStringLiteral("text-books"),
                                       QStringLiteral("Give <n> of the books a real PDF of 20 pages of prose to index "
                                                      "(%1; at most the library's size).")
                                           .arg(options.textBooks),
                                       QStringLiteral("n"), QString::number(options.textBooks));
    parser.addOptions({books, textBooks, skipUpload, skipSync, skipService});
    parser.process(arguments);

    options.sizes.clear();
    for (const QString &size : parser.value(books).split(u',')) {
        bool valid = false;
        const int count = size.trimmed().toInt(&valid);
        if (!valid || count < 1) {
            qCritical("--books needs whole numbers above 0, not \"%s\"", qPrintable(parser.value(books)));
            return std::nullopt;
        }
        options.sizes.append(count);
    }
    options.books = options.sizes.constFirst();
    bool validText = false;
    options.textBooks = parser.value(textBooks).toInt(&validText);
    if (!validText || options.textBooks < 0) {
        qCritical("--text-books needs a whole number, not \"%s\"", qPrintable(parser.value(textBooks)));
        return std::nullopt;
    }
    options.skipUpload = parser.isSet(skipUpload);
    options.skipSync = parser.isSet(skipSync);
    options.skipService = parser.isSet(skipService);
    return options;
}
