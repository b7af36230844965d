#include "render/placement_registry.h"

namespace qm {

namespace {
constexpr size_t kSmallest = 1024;
}

PlacementRegistry& PlacementRegistry::shared() {
    static PlacementRegistry* registry = new PlacementRegistry;  // outlives every record
    return *registry;
}

size_t PlacementRegistry::home(const TextItem* item) const {
    // Fibonacci hashing: record addresses differ mostly in their middle bits.
    return static_cast<size_t>((reinterpret_cast<uintptr_t>(item) * 0x9E3779B97F4A7C15ull) >> shift_);
}

size_t PlacementRegistry::slotOf(const TextItem* item) const {
    const size_t mask = slots_.size() - 1;
    if (slots_.empty()) return 0;
    for (size_t at = home(item);; at = (at + 1) & mask) {
        if (slots_[at].item == item) return at;
        if (slots_[at].item == nullptr) return slots_.size();
    }
}

void PlacementRegistry::resize(size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    shift_ = 64;
    for (size_t c = capacity; c > 1; c >>= 1) --shift_;
    const size_t mask = capacity - 1;
    for (const Slot& s : old) {
        if (s.item == nullptr) continue;
        size_t at = home(s.item);
        while (slots_[at].item != nullptr) at = (at + 1) & mask;
        slots_[at] = s;
    }
}

void PlacementRegistry::add(const TextItem* item, TextPlacement* placement) {
    std::lock_guard<std::mutex> hold(lock_);
    if ((count_ + 1) * 2 > slots_.size()) resize(slots_.empty() ? kSmallest : slots_.size() * 2);
    const size_t mask = slots_.size() - 1;
    size_t at = home(item);
    while (slots_[at].item != nullptr && slots_[at].item != item) at = (at + 1) & mask;
    if (slots_[at].item == nullptr) ++count_;
    slots_[at] = Slot{item, placement};
}

TextPlacement* PlacementRegistry::take(const TextItem* item) {
    std::lock_guard<std::mutex> hold(lock_);
    size_t hole = slotOf(item);
    if (hole == slots_.size()) return nullptr;
    TextPlacement* placement = slots_[hole].placement;
    // Moves back every later entry of the run that the hole would cut off from its home.
    const size_t mask = slots_.size() - 1;
    for (size_t at = (hole + 1) & mask; slots_[at].item != nullptr; at = (at + 1) & mask) {
        const size_t want = home(slots_[at].item);
        if (((at - want) & mask) >= ((at - hole) & mask)) {
            slots_[hole] = slots_[at];
            hole = at;
        }
    }
    slots_[hole] = Slot{};
    --count_;
    // A huge page's table is given back once its records are gone.
    if (slots_.size() > kSmallest && count_ * 8 < slots_.size()) resize(slots_.size() / 2);
    return placement;
}

TextPlacement* PlacementRegistry::find(const TextItem* item) {
    std::lock_guard<std::mutex> hold(lock_);
    const size_t at = slotOf(item);
    return at == slots_.size() ? nullptr : slots_[at].placement;
}

}  // namespace qm
