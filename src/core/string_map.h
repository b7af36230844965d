#pragma once
// String-keyed open-addressing map with linear probing. Keys are copied and owned;
// values are borrowed pointers the map never frees.
#include <cstdint>
#include <vector>

namespace qm {

// h = h * 17 + byte over the NUL-terminated key, in unsigned 32-bit arithmetic.
uint32_t nameHash(const char* key);

class StringMapBase {
public:
    StringMapBase();
    ~StringMapBase();
    StringMapBase(const StringMapBase&) = delete;
    StringMapBase& operator=(const StringMapBase&) = delete;

    void insert(const char* key, void* value);
    void* lookup(const char* key) const;
    int slotCount() const { return static_cast<int>(slots_.size()); }
    // Counts insertions, replacements included.
    int entryCount() const { return entries_; }

    // Visits every stored (key, value), in slot order.
    template <class F>
    void forEach(F&& f) const {
        for (const auto& s : slots_)
            if (s.key) f(s.key, s.value);
    }

private:
    struct Slot {
        char* key = nullptr;
        void* value = nullptr;
    };
    void grow();
    static void place(std::vector<Slot>& slots, char* key, void* value);

    std::vector<Slot> slots_;
    int entries_ = 0;
};

template <class T>
class StringMap {
public:
    void insert(const char* key, T* value) { base_.insert(key, const_cast<void*>(static_cast<const void*>(value))); }
    T* lookup(const char* key) const { return static_cast<T*>(base_.lookup(key)); }
    int slotCount() const { return base_.slotCount(); }
    int entryCount() const { return base_.entryCount(); }
    template <class F>
    void forEach(F&& f) const {
        base_.forEach([&](const char* k, void* v) { f(k, static_cast<T*>(v)); });
    }

private:
    StringMapBase base_;
};

}  // namespace qm
