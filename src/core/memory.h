#pragma once
// Allocation helpers for engine buffers and texts. Running out of memory is not
// recoverable anywhere in the engine, so these end the process instead of returning null.
#include <cstddef>

namespace qm {

void* memAlloc(size_t size);
void* memRealloc(void* block, size_t size);
// `size` bytes at an address that is a multiple of `alignment` (a power of two that divides
// `size`); freed with memFree.
void* memAllocAligned(size_t alignment, size_t size);
void memFree(void* block);
char* memStrdup(const char* text);

}  // namespace qm
