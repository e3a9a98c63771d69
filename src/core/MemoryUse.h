#pragma once

// Talvor runs for weeks and redraws large images on every reading. glibc's
// allocator raises its mmap threshold each time such a buffer is freed, so
// later ones come from the heap and their pages stay resident after they are
// freed. A fixed threshold hands them back to the system at once, which keeps
// the resident size flat. Call before anything is allocated; does nothing
// where the C library is not glibc.
namespace talvor {
void keepLargeBuffersOutOfHeap();
}
