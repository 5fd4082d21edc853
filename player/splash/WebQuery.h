#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A URL query of key and value pairs, in their order, every key and value
// percent-encoded with '+', '&' and '=' among the encoded characters: a web
// service reads a bare '+' as a space, so a version such as "1.0+2" would
// otherwise arrive as "1.0 2". Set it with QUrl::setQuery in strict mode.
QString encodedQuery(const QList<QPair<QString, QString>> &items);
