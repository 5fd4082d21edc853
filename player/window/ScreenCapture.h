#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

// The guest screen as a PNG file, and the names of capture and recording
// files. Used on the GUI thread.
class ScreenCapture
{
public:
    enum class Outcome
    {
        Saved,
        OutOfMemory,
        NotReady,    // the renderer had no frame to give
        WriteFailed, // nothing was left behind
    };

    struct Result
    {
        Outcome outcome = Outcome::NotReady;
        QString path; // where the file went, or would have gone
    };

    // The PNG writer's quality, which Qt turns into zlib level 1: the
    // fastest level that still compresses, as the GUI thread waits for the
    // file.
    static constexpr int kPngQuality = 80;

    // Reads the guest's frame of guestSize (its natural rotation) from the
    // renderer, turns it a quarter when the guest display is turned, plays
    // the shutter and writes the PNG into the capture folder.
    static Result take(QSize guestSize, bool turned);

    // The capture folder ("screencap") or, when recording, the recording
    // folder ("screenrecord") of the instance settings, else the desktop;
    // then "/" and the local time as "yyyy-MM-dd_hh-mm-ss_z" and extension.
    // A name that is taken gets "_2", "_3", ... before the extension, so
    // that two files made within one millisecond keep apart.
    static QString captureFilePath(const QString &extension, bool recording);
    static QString captureFilePath(const QString &extension, bool recording, const QDateTime &now);

    // The picture turned 90 degrees clockwise: source pixel (x, y) lands at
    // (height - 1 - y, x).
    static QImage rotateQuarterTurn(const QImage &src);

    // Writes the file whole or not at all; false when it could not be
    // written (missing folder, no rights, full disk).
    static bool savePng(const QImage &image, const QString &path);
};
