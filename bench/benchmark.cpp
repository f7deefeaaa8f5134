#include "bench/benchmark.h"

#include "app/mainwindow.h"
#include "bench/benchenvironment.h"
#include "bench/debugmessagefilter.h"
#include "bench/digestbenchmark.h"
#include "bench/fulltextbenchmark.h"
#include "bench/importfolder.h"
#include "bench/labelbenchmark.h"
#include "bench/libraryconnection.h"
#include "bench/librarygenerator.h"
#include "bench/openbenchmark.h"
#include "bench/report.h"
#include "bench/sampletext.h"
#include "bench/scanbenchmark.h"
#include "bench/searchbenchmark.h"
#include "bench/servicebenchmark.h"
#include "bench/syncbenchmark.h"
#include "bench/uploadbenchmark.h"
#include "core/settings.h"

#include <QElapsedTimer>
#include <QJsonObject>

#include <unistd.h>

namespace {

constexpr int WebPages = 300;
constexpr int OpenRepeats = 3;
constexpr int SearchRounds = 5;

// Prints the name of a step when it starts and how long it took, with the debug lines it produced.
class Step
{
public:
    explicit Step(const char *name)
        : name(name)
        , debugLines(DebugMessageFilter::droppedCount())
    {
        qInfo("%s ...", name);
        clock.start();
    }

    ~Step()
    {
        qInfo("%s: %.1f s (%lld debug lines dropped)", name, seconds(),
              DebugMessageFilter::droppedCount() - debugLines);
    }

    double seconds() const { return clock.nsecsElapsed() / 1e9; }

private:
    Q_DISABLE_COPY_MOVE(Step)

    const char *name;
    long long debugLines;
    QElapsedTimer clock;
};

} // namespace

Benchmark::Benchmark(const BenchEnvironment &environment, const BenchOptions &options)
    : environment(environment)
    , options(options)
{
}

int Benchmark::run()
{
    double generationSeconds = 0;
    if (!generateLibrary(&generationSeconds))
        return 1;
    ImportFolder import(environment.home() + QStringLiteral("/Downloads/New Books"), options.books);
    {
        const Step step("Writing the folder of new books");
        QString error;
        if (!import.write(&error)) {
            qCritical("%s", qPrintable(error));
            return 1;
        }
        // The generated gigabytes reach the disk before anything is timed: the kernel's writeback would
        // otherwise share the cores with the first measurement.
        ::sync();
    }

    Report report(QJsonObject{
        {QStringLiteral("books"), options.books},
        {QStringLiteral("webPages"), WebPages},
        {QStringLiteral("generationSeconds"), QString::number(generationSeconds, 'f', 1).toDouble()},
    });
    measureWindow(report, import.path(), import.files());

    if (options.skipSync) {
        report.add(SyncBenchmark::skipped(QStringLiteral("--skip-sync")));
    } else {
        const Step step("Syncing the whole library");
        report.add(SyncBenchmark(environment.root(), environment.home() + QStringLiteral("/.local/share/Shelvio/"),
                                 options.books)
                       .run());
    }
    if (options.skipUpload) {
        report.add(UploadBenchmark::skipped(QStringLiteral("--skip-upload")));
    } else {
        const Step step("Uploading a 1 GB file");
        report.add(UploadBenchmark(environment.root(), environment.home()).run());
    }
    if (options.skipService) {
        report.add(ServiceBenchmark::skipped(QStringLiteral("--skip-service")));
    } else {
        const Step step("Loading the cloud service");
        report.add(ServiceBenchmark(environment.root()).run());
    }
    report.print();
    return report.hasFailures() ? 1 : 0;
}

bool Benchmark::generateLibrary(double *seconds) const
{
    const Step step("Generating the library");
    // Where the program keeps its data, named in the settings as the program names it.
    const QString dataDir = environment.home() + QStringLiteral("/.local/share/Shelvio/");
    Settings().setValue(Settings::DataDir, dataDir);
    // The window's own indexing would share the cores with every figure; the full-text step runs its own.
    Settings().setValue(Settings::FullTextIndexing, false);
    const LibraryConnection library(dataDir);
    if (!library.isOpen()) {
        qCritical("%s", qPrintable(library.errorString()));
        return false;
    }
    LibraryGenerator generator(environment.home(), dataDir, options.books, WebPages);
    QString error;
    if (!generator.generate(&error)) {
        qCritical("%s", qPrintable(error));
        return false;
    }
    qInfo("  %d books, %d web pages; %d books mention \"%s\"", options.books, WebPages, generator.searchWordBooks(),
          SampleText::SearchWord.data());
    *seconds = step.seconds();
    return true;
}

void Benchmark::measureWindow(Report &report, const QString &importFolder, const QStringList &importFiles) const
{
    OpenBenchmark open(options.books, OpenRepeats);
    {
        const Step step("Opening the main window");
        report.add(open.run());
    }
    // Every start leaves its window, drawn or not.
    std::unique_ptr<MainWindow> window = open.takeWindow();
    {
        // Before the search, which leaves the tab with the books an empty search shows.
        const Step step("Adding a tag to a selection");
        report.add(LabelBenchmark(*window, options.books).run());
    }
    {
        const Step step("Searching as you type");
        report.add(SearchBenchmark(*window, SampleText::SearchWord.toString(), SearchRounds, options.books).run());
    }
    {
        const Step step("Scanning the folder of new books");
        report.add(ScanBenchmark(*window, importFolder, int(importFiles.size())).run());
    }
    {
        const Step step("Digesting the new books");
        report.add(DigestBenchmark(importFiles).run());
    }
    if (options.textBooks > 0) {
        const Step step("Indexing the books' text");
        report.add(FullTextBenchmark(*window, environment.home() + QStringLiteral("/Text Books"), options.textBooks,
                                     options.books)
                       .run());
    }
    window.reset();
    LibraryConnection::removeDefault();
}
