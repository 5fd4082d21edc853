#pragma once

#include <QMap>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>

// Everything the guest's screen shows; the painter draws it, the guest
// changes it as messages and touches arrive (GUI thread only).
struct ScreenState
{
    enum class Page { Home, App, Game };

    struct TouchMark
    {
        QPoint framePoint; // in the natural 1280 x 720 frame
        int contact = 0;
        int action = 0; // 0 down, 1 up, 2 move
    };

    static constexpr std::size_t kMaxTouchMarks = 8;

    bool booted = false;
    int rotation = 0;

    Page page = Page::Home;
    QString openApp; // Page::App
    bool recentsShown = false;
    bool editorShown = false;
    QStringList recents; // most recent first

    QString brand;
    QString model;
    QString imei;
    QString phoneNumber;
    QString dpi;

    QStringList apps; // installed, oldest first
    QString typed;
    QString lastKey;
    std::deque<TouchMark> touches;
    QPoint cursor{640, 360}; // the mouse, in the natural frame
    bool mouseLeftDown = false;
    int rightButton = 0; // the host's second field: the mouse-lock state it asks for
    QString lastWheel;
    QString lastZoom;
    int zoomLevel = 0;

    bool gpsOn = false;
    QString gpsFix;
    QString clipboard;
    bool engineEnabled = false;
    bool mouseLockAllowed = false;
    int shakes = 0;
    QString notice;

    QMap<QString, bool> links; // agent name -> connected
};
