#ifndef BENCHOPTIONS_H
#define BENCHOPTIONS_H

#include <QStringList>

#include <optional>

// What the command line asks for: shelvio-bench [--books N[,N...]] [--text-books N] [--skip-upload] [--skip-sync]
// [--skip-service].
struct BenchOptions
{
    // The library sizes to measure; several are measured one after the other, each in a run of its own.
    QList<int> sizes{10000};
    // The size of this run (the first of sizes).
    int books = 10000;
    bool skipUpload = false;
    bool skipSync = false;
    bool skipService = false;
    // Books whose file is a real PDF of prose, for the full-text index.
    int textBooks = 1000;

    // Nothing, after saying why, when the arguments make no run; --help prints the usage and exits.
    static std::optional<BenchOptions> parse(const QStringList &arguments);
};

#endif // BENCHOPTIONS_H
