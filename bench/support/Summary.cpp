// SPDX-License-Identifier: MIT
#include "Summary.h"

#include <algorithm>

namespace velmora::bench {

Summary Summary::of(QList<double> values)
{
    Summary s;
    s.count = int(values.size());
    if (values.isEmpty()) {
        return s;
    }
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    s.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

QString Summary::text(const QString& unit, int decimals) const
{
    const auto num = [decimals](double v) { return QString::number(v, 'f', decimals); };
    return QStringLiteral("median ") + num(median) + u' ' + unit + QStringLiteral(" (min ") +
           num(min) + QStringLiteral(", max ") + num(max) + QStringLiteral(", n ") +
           QString::number(count) + u')';
}

double ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

} // namespace velmora::bench
