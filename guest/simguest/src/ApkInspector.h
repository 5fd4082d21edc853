#pragma once

#include <QIODevice>
#include <QString>

// Decides whether a file is an installable APK: a zip archive whose central
// directory is sound and names an AndroidManifest.xml at its root. Only the
// end record, the central directory and the manifest's own header are read,
// each bounded, so a hostile or huge file costs little. Zip64 and split
// archives are refused (APKs are neither).
struct ApkInspection
{
    bool valid = false;
    QString reason;      // why it is not an APK, when !valid
    QString packageName; // the manifest's package, when it is plain XML stored uncompressed
};

ApkInspection inspectApk(QIODevice &device);
ApkInspection inspectApk(const QString &path);
