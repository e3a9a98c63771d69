#include "MemoryUse.h"

// Any C library header defines __GLIBC__ where glibc is the C library.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void talvor::keepResidentMemoryLow()
{
#if defined(__GLIBC__)
    // glibc's own starting value, held there.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_ARENA_MAX, 1);
#endif
}
