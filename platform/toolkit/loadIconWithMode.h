#pragma once

#include "ToolkitExport.h"

#include <QIcon>

class QSize;
class QString;

// Builds a button icon from up to three images beside each other:
//   base + "_normal.png"   Normal mode  (at rest)
//   base + "_hover.png"    Active mode  (pointer over it)
//   base + "_pressed.png"  Selected mode (held down)
// each optionally with a double-density twin named with "@2x" before
// ".png". Images are scaled to size (and twice size for the twins) when
// they are drawn at another size. Missing images are skipped; the icon is
// null when none exists. base may name a resource (":/...").
TOOLKIT_EXPORT QIcon loadIconWithMode(const QString &base, QSize size);
