#pragma once

#include <QList>
#include <QString>

// Printing helpers shared by the bench's modes.
namespace figures {

double median(QList<double> values);
double minimum(const QList<double> &values);
// "name: median x ms, min y ms (n runs)".
QString timing(const QList<double> &ms);
QString megabytes(qint64 kb);

} // namespace figures
