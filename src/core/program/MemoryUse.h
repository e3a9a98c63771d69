#pragma once

// Talvor runs for weeks in the background, so its resident size is kept
// small and flat, where the C library is glibc (elsewhere this does nothing):
// - it redraws large images on every reading, and glibc's allocator raises
//   its mmap threshold each time such a buffer is freed, so later ones would
//   come from the heap and their pages stay resident after they are freed;
//   a fixed threshold hands them back to the system at once;
// - its few threads allocate little, so they share one heap instead of each
//   keeping a heap of its own (the record's import thread would keep some
//   hundreds of kB it freed).
// Call before anything is allocated.
namespace talvor {
void keepResidentMemoryLow();
}
