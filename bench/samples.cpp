#include "bench/samples.h"

#include <algorithm>

double Samples::median() const
{
    if (values.isEmpty())
        return 0;
    QList<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const qsizetype middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::maximum() const
{
    return values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
}
