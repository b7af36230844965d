#pragma once
// Which text records carry a placement. Placed records are made by display_list, with the
// placement in the same block as the record; this table says which addresses are such
// blocks, so that a record a caller made (or copied) is never read past its end. It is
// asked several times for every character of every page, so it is a flat table of
// addresses, not a node per record.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "quillmark.h"

namespace qm {

struct TextPlacement;

class PlacementRegistry {
public:
    // Every thread that makes or frees records shares the one table.
    static PlacementRegistry& shared();

    void add(const TextItem* item, TextPlacement* placement);
    // Forgets the record and gives back its placement (null when it had none).
    TextPlacement* take(const TextItem* item);
    TextPlacement* find(const TextItem* item);

private:
    struct Slot {
        const TextItem* item = nullptr;  // null: free
        TextPlacement* placement = nullptr;
    };
    size_t home(const TextItem* item) const;
    void resize(size_t capacity);
    size_t slotOf(const TextItem* item) const;  // its slot, or the capacity when absent

    std::mutex lock_;
    std::vector<Slot> slots_;  // a power of two in size, at most half full
    size_t count_ = 0;
    int shift_ = 64;
};

}  // namespace qm
