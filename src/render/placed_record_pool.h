#pragma once
// Text records that carry their placement. A placed record is one block, the public record
// first, so a caller frees it like any other; the placement is read only from blocks this
// pool handed out, never past the end of a record a caller made or copied.
//
// The pool is asked for every character several times (recording, both replays, the writers,
// freeing), so it must not cost a cache miss each time: blocks are cut from aligned slabs,
// and whether an address is a live block is told by the slab it falls in (a handful per
// page, kept in a small table) and a bit in that slab's header.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "quillmark.h"
#include "render/address_table.h"
#include "render/text_placement.h"

namespace qm {

struct PlacedRecord {
    TextItem item;
    TextPlacement placement;
    // A record the program keeps to itself may hold a short text and face here rather than
    // in buffers of their own (a page handed over from a page process has one record per
    // character, and two allocations each were a tenth of its cost).
    uint16_t ownText[4];
    char ownFace[40];
};

struct PlacedRecordSlab;

class PlacedRecordPool {
public:
    // Every thread that makes or frees records shares the one pool.
    static PlacedRecordPool& shared();

    PlacedRecordPool() = default;
    PlacedRecordPool(const PlacedRecordPool&) = delete;
    PlacedRecordPool& operator=(const PlacedRecordPool&) = delete;
    ~PlacedRecordPool();

    // Room for one record, not yet constructed.
    PlacedRecord* allocate();
    // The live block whose record is at `item`; null for any other address.
    PlacedRecord* find(const TextItem* item);
    // Takes back a block of this pool once its record has been destroyed.
    void release(PlacedRecord* record);

    size_t slabCount();
    static constexpr size_t kSlabBytes = 64 * 1024;

private:
    using Slab = PlacedRecordSlab;
    Slab* slabOf(const void* address) const;

    std::mutex lock_;
    AddressTable slabs_;      // every slab, by its address
    Slab* current_ = nullptr;  // the slab new blocks are cut from
};

}  // namespace qm
