#include "bench/benchenvironment.h"
#include "bench/benchmark.h"
#include "bench/benchoptions.h"
#include "bench/debugmessagefilter.h"

#include <QApplication>

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
    const DebugMessageFilter filter;
    Benchmark benchmark(environment, *options);
    return benchmark.run();
}
