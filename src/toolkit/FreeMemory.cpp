#include "toolkit/FreeMemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreeMemory() {
#if defined(__GLIBC__)
    // Freed blocks below the heap's top stay mapped until trimmed.
    malloc_trim(0);
#endif
}
