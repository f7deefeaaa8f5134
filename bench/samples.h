#ifndef SAMPLES_H
#define SAMPLES_H

#include <QList>

// The values one figure was measured as, once or repeatedly.
class Samples
{
public:
    void add(double value) { values.append(value); }
    qsizetype count() const { return values.size(); }
    bool isEmpty() const { return values.isEmpty(); }

    // Of an even count, the mean of the two middle values. Both are 0 without samples.
    double median() const;
    double maximum() const;

private:
    QList<double> values;
};

#endif // SAMPLES_H
