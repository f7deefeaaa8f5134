#ifndef BENCHMARK_H
#define BENCHMARK_H

#include "bench/benchoptions.h"

#include <QString>

class BenchEnvironment;
class Report;

// One run: generates the library and a folder of new books in the temporary HOME, takes every figure in
// turn and prints the report.
class Benchmark
{
public:
    Benchmark(const BenchEnvironment &environment, const BenchOptions &options);

    // 0 when every figure was measured, whether or not it met its target; 1 when the benchmark failed.
    int run();

private:
    bool generateLibrary(double *seconds) const;
    void measureWindow(Report &report, const QString &importFolder, const QStringList &importFiles) const;

    const BenchEnvironment &environment;
    BenchOptions options;
};

#endif // BENCHMARK_H
