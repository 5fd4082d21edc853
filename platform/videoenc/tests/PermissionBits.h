#pragma once

// Tests run as root, whose file-access override would write into any
// folder whatever its mode. Dropping that override from this thread, before
// any other thread starts, makes every thread of the process honour the
// permission bits as an ordinary user would; programs it starts get their
// own rights back. Returns false when the override could not be dropped.
bool honourPermissionBits();
