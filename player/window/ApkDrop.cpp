#include "window/ApkDrop.h"

#include <service/pm.h>

#include <QMimeData>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

} // namespace

ApkDrop::ApkDrop(const QMimeData *data)
{
    if (data == nullptr || !data->hasFormat(kUriList))
        return;
    for (const QUrl &url : data->urls()) {
        if (isApk(url))
            m_apks.append(locate(url.toLocalFile()));
        else
            ++m_skipped;
    }
}

// The local path, not the URL's encoded text: names with spaces, "#", "%"
// or letters outside ASCII count as what they are.
bool ApkDrop::isApk(const QUrl &url)
{
    if (!url.isLocalFile())
        return false;
    const QString path = url.toLocalFile();
    return path.endsWith(QStringLiteral(".apk"), Qt::CaseInsensitive) &&
           !path.endsWith(QLatin1Char('/'));
}

ApkDrop::Apk ApkDrop::locate(const QString &localPath)
{
    const int slash = localPath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return Apk{QString(), localPath};
    Apk apk{localPath.left(slash), localPath.mid(slash + 1)};
    if (apk.folder.isEmpty() || apk.folder.endsWith(QLatin1Char(':')))
        apk.folder.append(QLatin1Char('/'));
    return apk;
}

void ApkDrop::install() const
{
    for (const Apk &apk : m_apks)
        pm_install(apk.folder.toUtf8().constData(), apk.file.toUtf8().constData());
}
