#pragma once

#include "display/OpenGL.h"

#include <QWidget>

// The renderer's host as the main window answers it, around any widget.
class DisplayHost : public OpenGL
{
public:
    explicit DisplayHost(QWidget *display) : m_display(display) {}

    WId ownerWindow() override { return 0; }
    WId displayWinId() override { return m_display->winId(); }
    int displayWidth() override { return m_display->width(); }
    int displayHeight() override { return m_display->height(); }

private:
    QWidget *m_display;
};
