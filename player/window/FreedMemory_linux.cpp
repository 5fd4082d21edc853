#include "window/FreedMemory.h"

#include <malloc.h>

// glibc keeps freed blocks once its adaptive mmap threshold has grown past
// their size; trimming releases them.
void returnFreedMemory()
{
    malloc_trim(0);
}
