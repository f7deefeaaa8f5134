#include "bench/benchenvironment.h"
#include "bench/benchmark.h"
#include "bench/benchoptions.h"
#include "bench/debugmessagefilter.h"

#include <QApplication>
#include <QProcess>

namespace {

// Each size in a run of its own, with its own temporary HOME, the output passed through as it comes.
int runEachSize(const BenchOptions &options)
{
    QStringList rest = QCoreApplication::arguments().mid(1);
    for (qsizetype index = 0; index < rest.size(); ++index) {
        if (rest.at(index).startsWith(QLatin1String("--books"))) {
            rest.remove(index, rest.at(index).contains(u'=') ? 1 : 2);
            break;
        }
    }
    int status = 0;
    for (const int size : options.sizes) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  QStringList{QStringLiteral("--books"), QString::number(size)} + rest);
        // No cap: a run of 100,000 books takes many minutes, and it ends by itself.
        if (!run.waitForFinished(-1) || run.exitStatus() != QProcess::NormalExit)
            return 1;
        status = std::max(status, run.exitCode());
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before the application object, which takes HOME, the platform and the temporary folder from it.
    const BenchEnvironment environment;
    if (!environment.isValid()) {
        qCritical("Cannot prepare the temporary HOME: %s", qPrintable(environment.errorString()));
        return 1;
    }
    // As the program starts: the web views share their rendering context with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(resources);

    const std::optional<BenchOptions> options = BenchOptions::parse(QCoreApplication::arguments());
    if (!options)
        return 1;
    if (options->sizes.size() > 1)
        return runEachSize(*options);
    const DebugMessageFilter filter;
    Benchmark benchmark(environment, *options);
    return benchmark.run();
}
