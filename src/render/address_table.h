#pragma once
// A flat, open-addressed map from addresses to addresses: asked far more often than changed,
// so one array of pairs rather than a node per entry. Not locked: its owner locks.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

class AddressTable {
public:
    void add(const void* key, void* value);
    // Forgets the key and gives back its value (null when it had none).
    void* take(const void* key);
    void* find(const void* key) const;
    size_t size() const { return count_; }

private:
    struct Slot {
        const void* key = nullptr;  // null: free
        void* value = nullptr;
    };
    size_t home(const void* key) const;
    void resize(size_t capacity);
    size_t slotOf(const void* key) const;  // its slot, or the capacity when absent

    std::vector<Slot> slots_;  // a power of two in size, at most half full
    size_t count_ = 0;
    int shift_ = 64;
};

}  // namespace qm
