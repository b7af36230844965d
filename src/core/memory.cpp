#include "core/memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qm {

[[noreturn]] static void outOfMemory() {
    std::fputs("Out of memory\n", stderr);
    std::exit(1);
}

void* memAlloc(size_t size) {
    if (size == 0) return nullptr;
    void* p = std::malloc(size);
    if (!p) outOfMemory();
    return p;
}

void* memAllocAligned(size_t alignment, size_t size) {
    if (size == 0) return nullptr;
    void* p = std::aligned_alloc(alignment, size);
    if (!p) outOfMemory();
    return p;
}

void* memRealloc(void* block, size_t size) {
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    if (!block) return memAlloc(size);
    void* p = std::realloc(block, size);
    if (!p) outOfMemory();
    return p;
}

void memFree(void* block) { std::free(block); }

char* memStrdup(const char* text) {
    size_t n = std::strlen(text) + 1;
    char* p = static_cast<char*>(memAlloc(n));
    std::memcpy(p, text, n);
    return p;
}

}  // namespace qm
