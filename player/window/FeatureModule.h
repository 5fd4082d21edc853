#pragma once

#include <QString>

// The player's optional modules: libraries opened the first time their
// feature is used rather than at start, so that a session that never opens
// the map or records never maps the web engine or the video encoder. A
// module is looked for beside the program first (its install folder), then
// in Qt's library paths.
namespace FeatureModule {

// The file of the module named baseName ("videoenc" for libvideoenc.so or
// videoenc.dll) in the first folder that holds it; empty when none does.
QString locate(const QString &baseName);

} // namespace FeatureModule
