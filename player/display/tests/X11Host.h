#pragma once

// Reading the X server's own view of windows, for tests that run on the
// xcb platform.

#include <QRect>
#include <QVector>
#include <QtGui/qwindowdefs.h>

// The geometry of each child window of parent, as the X server has it.
QVector<QRect> x11ChildGeometries(WId parent);

// A press and release of the key with this keysym, sent through the X
// server's XTEST extension to whichever window has the input focus.
bool x11TypeKey(unsigned long keysym);
