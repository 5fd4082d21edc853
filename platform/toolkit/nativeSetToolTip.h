#pragma once

#include "ToolkitExport.h"

class QString;
class QWidget;

// Gives the widget its tool tip text; a null widget is ignored.
TOOLKIT_EXPORT void nativeSetToolTip(QWidget *widget, const QString &text);
