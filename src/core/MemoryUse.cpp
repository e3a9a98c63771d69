#include "core/MemoryUse.h"

// Any C library header defines __GLIBC__ where glibc is the C library.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void talvor::keepLargeBuffersOutOfHeap()
{
#if defined(__GLIBC__)
    // glibc's own starting value, held there.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}
