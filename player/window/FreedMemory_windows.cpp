#include "window/FreedMemory.h"

#include <malloc.h>

void returnFreedMemory()
{
    _heapmin();
}
