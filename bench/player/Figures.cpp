#include "Figures.h"

#include <algorithm>

namespace figures {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

double minimum(const QList<double> &values)
{
    return values.isEmpty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

QString timing(const QList<double> &ms)
{
    return QStringLiteral("median %1 ms, min %2 ms (%3 runs)")
        .arg(median(ms), 0, 'f', 1)
        .arg(minimum(ms), 0, 'f', 1)
        .arg(ms.size());
}

QString megabytes(qint64 kb)
{
    return QStringLiteral("%1 MB").arg(double(kb) / 1024.0, 0, 'f', 1);
}

} // namespace figures
