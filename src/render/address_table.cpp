#include "render/address_table.h"

namespace qm {

namespace {
constexpr size_t kSmallest = 64;
}

size_t AddressTable::home(const void* key) const {
    // Fibonacci hashing: the addresses kept differ in their middle bits only.
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(key) * 0x9E3779B97F4A7C15ull) >> shift_);
}

size_t AddressTable::slotOf(const void* key) const {
    const size_t mask = slots_.size() - 1;
    if (slots_.empty()) return 0;
    for (size_t at = home(key);; at = (at + 1) & mask) {
        if (slots_[at].key == key) return at;
        if (slots_[at].key == nullptr) return slots_.size();
    }
}

void AddressTable::resize(size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    shift_ = 64;
    for (size_t c = capacity; c > 1; c >>= 1) --shift_;
    const size_t mask = capacity - 1;
    for (const Slot& s : old) {
        if (s.key == nullptr) continue;
        size_t at = home(s.key);
        while (slots_[at].key != nullptr) at = (at + 1) & mask;
        slots_[at] = s;
    }
}

void AddressTable::add(const void* key, void* value) {
    if ((count_ + 1) * 2 > slots_.size()) resize(slots_.empty() ? kSmallest : slots_.size() * 2);
    const size_t mask = slots_.size() - 1;
    size_t at = home(key);
    while (slots_[at].key != nullptr && slots_[at].key != key) at = (at + 1) & mask;
    if (slots_[at].key == nullptr) ++count_;
    slots_[at] = Slot{key, value};
}

void* AddressTable::take(const void* key) {
    size_t hole = slotOf(key);
    if (hole == slots_.size()) return nullptr;
    void* value = slots_[hole].value;
    // Moves back every later entry of the run that the hole would cut off from its home.
    const size_t mask = slots_.size() - 1;
    for (size_t at = (hole + 1) & mask; slots_[at].key != nullptr; at = (at + 1) & mask) {
        const size_t want = home(slots_[at].key);
        if (((at - want) & mask) >= ((at - hole) & mask)) {
            slots_[hole] = slots_[at];
            hole = at;
        }
    }
    slots_[hole] = Slot{};
    --count_;
    // A table grown for a huge page is given back once its entries are gone.
    if (slots_.size() > kSmallest && count_ * 8 < slots_.size()) resize(slots_.size() / 2);
    return value;
}

void* AddressTable::find(const void* key) const {
    const size_t at = slotOf(key);
    return at == slots_.size() ? nullptr : slots_[at].value;
}

}  // namespace qm
