#include "bench/benchoptions.h"

#include <QCommandLineParser>

std::optional<BenchOptions> BenchOptions::parse(const QStringList &arguments)
{
    BenchOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures Shelvio on a generated library in a temporary HOME."));
    parser.addHelpOption();
    const QCommandLineOption books(QStringLiteral("books"),
                                   QStringLiteral("Generate <n> books (%1).").arg(options.books), QStringLiteral("n"),
                                   QString::number(options.books));
    const QCommandLineOption skipUpload(QStringLiteral("skip-upload"),
                                        QStringLiteral("Leave out the upload of a 1 GB file."));
    const QCommandLineOption skipSync(QStringLiteral("skip-sync"),
                                      QStringLiteral("Leave out the sync of the whole library."));
    const QCommandLineOption skipService(QStringLiteral("skip-service"),
                                         QStringLiteral("Leave out the cloud service's refused bodies and idle "
                                                        "connections."));
    parser.addOptions({books, skipUpload, skipSync, skipService});
    parser.process(arguments);

    bool valid = false;
    options.books = parser.value(books).toInt(&valid);
    if (!valid || options.books < 1) {
        qCritical("--books needs a whole number above 0, not \"%s\"", qPrintable(parser.value(books)));
        return std::nullopt;
    }
    options.skipUpload = parser.isSet(skipUpload);
    options.skipSync = parser.isSet(skipSync);
    options.skipService = parser.isSet(skipService);
    return options;
}
