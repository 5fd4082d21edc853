#pragma once

#include <QString>
#include <QUrl>

// The address of `path` (such as "/api/client/inforeport") on the vendor's
// web service, whose base URL is the shared store's "service_url" (a
// built-in default when absent). Invalid when the stored base is not an
// absolute URL.
QUrl vendorServiceUrl(const QString &path);
