#ifndef BENCHOPTIONS_H
#define BENCHOPTIONS_H

#include <QStringList>

#include <optional>

// What the command line asks for: shelvio-bench [--books N] [--skip-upload] [--skip-sync] [--skip-service].
struct BenchOptions
{
    int books = 10000;
    bool skipUpload = false;
    bool skipSync = false;
    bool skipService = false;

    // Nothing, after saying why, when the arguments make no run; --help prints the usage and exits.
    static std::optional<BenchOptions> parse(const QStringList &arguments);
};

#endif // BENCHOPTIONS_H
