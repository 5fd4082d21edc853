#include "resources/PlayerResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the initialiser rcc wrote for player_resources.qrc
// in the enclosing namespace, so this must stay in the global one.
static void registerPlayerResources()
{
    Q_INIT_RESOURCE(player_resources);
}

void initPlayerResources()
{
    static const bool registered = (registerPlayerResources(), true);
    Q_UNUSED(registered)
}
