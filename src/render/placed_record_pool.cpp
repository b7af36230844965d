#include "render/placed_record_pool.h"

#include <cstdint>
#include <new>

#include "core/memory.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QM_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define QM_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define QM_POISON(address, size) ((void)(address), (void)(size))
#define QM_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace qm {

namespace {

constexpr size_t kMostRecords = PlacedRecordPool::kSlabBytes / sizeof(PlacedRecord);
constexpr size_t kWords = (kMostRecords + 63) / 64;

}  // namespace

// A slab's header; its blocks follow at kFirst. A block is handed out once per filling of
// the slab (`used` only grows), so a block freed early stays unused until the slab empties.
struct PlacedRecordSlab {
    uint32_t used = 0;
    uint32_t live = 0;
    uint64_t liveBits[kWords] = {};
};

namespace {

constexpr size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }
constexpr size_t kFirst = roundUp(sizeof(PlacedRecordSlab), alignof(PlacedRecord));
constexpr size_t kRecords = (PlacedRecordPool::kSlabBytes - kFirst) / sizeof(PlacedRecord);
static_assert(kRecords >= 64 && kRecords <= kWords * 64);
static_assert(offsetof(PlacedRecord, item) == 0);

}  // namespace

PlacedRecordPool& PlacedRecordPool::shared() {
    static PlacedRecordPool* pool = new PlacedRecordPool;  // outlives every record
    return *pool;
}

PlacedRecordPool::~PlacedRecordPool() {
    // Only a pool of a test's own ends. Every other slab still holds a record a caller never
    // freed, and is left for the leak checker to report.
    if (current_ != nullptr && current_->live == 0) {
        slabs_.take(current_);
        QM_UNPOISON(current_, kSlabBytes);
        current_->~Slab();
        memFree(current_);
    }
}

PlacedRecordPool::Slab* PlacedRecordPool::slabOf(const void* address) const {
    const uintptr_t base = reinterpret_cast<uintptr_t>(address) & ~static_cast<uintptr_t>(kSlabBytes - 1);
    return static_cast<Slab*>(slabs_.find(reinterpret_cast<const void*>(base)));
}

PlacedRecord* PlacedRecordPool::allocate() {
    std::lock_guard<std::mutex> hold(lock_);
    if (current_ != nullptr && current_->used == kRecords) {
        if (current_->live == 0) {
            current_->used = 0;
        } else {
            current_ = nullptr;  // freed by the release of its last record
        }
    }
    if (current_ == nullptr) {
        void* memory = memAllocAligned(kSlabBytes, kSlabBytes);
        current_ = new (memory) Slab;
        QM_POISON(reinterpret_cast<char*>(memory) + kFirst, kSlabBytes - kFirst);
        slabs_.add(current_, current_);
    }
    const uint32_t index = current_->used++;
    current_->liveBits[index / 64] |= uint64_t{1} << (index % 64);
    ++current_->live;
    char* block = reinterpret_cast<char*>(current_) + kFirst + index * sizeof(PlacedRecord);
    QM_UNPOISON(block, sizeof(PlacedRecord));
    return reinterpret_cast<PlacedRecord*>(block);
}

namespace {

constexpr size_t kNotLive = SIZE_MAX;

// The number of the live block at `address` in `slab`; kNotLive for any other address.
size_t liveBlock(const PlacedRecordSlab& slab, const void* address) {
    const auto offset = static_cast<size_t>(static_cast<const char*>(address) - reinterpret_cast<const char*>(&slab));
    if (offset < kFirst || (offset - kFirst) % sizeof(PlacedRecord) != 0) return kNotLive;
    const size_t index = (offset - kFirst) / sizeof(PlacedRecord);
    if (index >= slab.used || (slab.liveBits[index / 64] >> (index % 64) & 1) == 0) return kNotLive;
    return index;
}

}  // namespace

PlacedRecord* PlacedRecordPool::find(const TextItem* item) {
    std::lock_guard<std::mutex> hold(lock_);
    const Slab* slab = slabOf(item);
    if (slab == nullptr || liveBlock(*slab, item) == kNotLive) return nullptr;
    return reinterpret_cast<PlacedRecord*>(const_cast<TextItem*>(item));
}

void PlacedRecordPool::release(PlacedRecord* record) {
    std::lock_guard<std::mutex> hold(lock_);
    Slab* slab = slabOf(record);
    const size_t index = slab != nullptr ? liveBlock(*slab, record) : kNotLive;
    if (index == kNotLive) return;  // not a block handed out, or given back already
    slab->liveBits[index / 64] &= ~(uint64_t{1} << (index % 64));
    --slab->live;
    QM_POISON(record, sizeof(PlacedRecord));
    if (slab->live > 0) return;
    if (slab == current_) {
        slab->used = 0;  // cut again from the start
        return;
    }
    slabs_.take(slab);
    QM_UNPOISON(slab, kSlabBytes);
    slab->~Slab();
    memFree(slab);
}

size_t PlacedRecordPool::slabCount() {
    std::lock_guard<std::mutex> hold(lock_);
    return slabs_.size();
}

}  // namespace qm
