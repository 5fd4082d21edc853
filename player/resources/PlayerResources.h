#pragma once

// The player's built-in resources: the tool bar's icons under
// ":/resources/image/", the splash pictures, the settings dialog's images,
// the sounds under ":/resources/sound/", the style sheet
// ":/resources/qss/dark.qss", the splash help texts under ":/resources/text/"
// and the Chinese catalogue ":/lang/zh_CN.qm".
//
// They are compiled into a static library, whose resource object a linker
// would drop because no code refers to it. The program therefore calls this
// once at start, before it reads any of them; further calls do nothing.
void initPlayerResources();
