#pragma once

#include <QList>
#include <QString>
#include <QUrl>

class QMimeData;

// What a drag carries for the package installer: the APK files among its
// URLs (".apk" in any letter case, local files only) and how many other
// items it holds. Each APK is given as the host folder and the file name
// that the package-install service shares and installs from.
class ApkDrop
{
public:
    struct Apk
    {
        QString folder;
        QString file;
    };

    explicit ApkDrop(const QMimeData *data);

    static bool isApk(const QUrl &url);
    // Folder and file name of a local path. A file in a drive root keeps the
    // root's slash (C:/x.apk: folder C:/), as does one in the file system's
    // root (/x.apk: folder /).
    static Apk locate(const QString &localPath);

    const QList<Apk> &apks() const { return m_apks; }
    int skipped() const { return m_skipped; }
    // Hands every APK to the package-install service, in drop order (its
    // queue installs them one after the other).
    void install() const;

private:
    QList<Apk> m_apks;
    int m_skipped = 0;
};
