// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

namespace velmora::bench {

// Median, minimum and maximum of repeated measurements. Benchmarks report
// the median so that one slow run (another process, a cold cache) does not
// move the figure.
struct Summary
{
    int count = 0;
    double median = 0;
    double min = 0;
    double max = 0;

    // An empty list gives count 0 and zeros.
    static Summary of(QList<double> values);

    // "median 12.3 (min 11.9, max 14.0, n 10)" with the given unit.
    QString text(const QString& unit, int decimals = 1) const;
};

// a / b, or 0 when b is not positive (a ratio of nothing is not a figure).
double ratio(double a, double b);

} // namespace velmora::bench
