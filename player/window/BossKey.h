#pragma once

#include <QKeySequence>
#include <QString>

// The boss key's combination from the instance store ("bossKey", default
// ctrl+alt+x). Spaces are ignored; a text that does not name one key with
// its modifiers is logged and the default is used, rather than a shortcut
// that would never fire.
class BossKey
{
public:
    static QKeySequence fromText(const QString &text);
    static QKeySequence fromSettings();
};
