#pragma once
// A few shared maps kept in most-recently-used order. Unicode maps read from files use it
// keyed by encoding name; CMaps (collection, name) and cidToUnicode maps (collection) are
// meant to use it the same way. T needs addRef(), release() and matches(key...).
namespace qm {

template <class T, int Slots = 4>
class MapCache {
public:
    MapCache() = default;
    ~MapCache() { clear(); }
    MapCache(const MapCache&) = delete;
    MapCache& operator=(const MapCache&) = delete;

    // The cached map for the key with a new reference, moved to the front; null when absent.
    template <class... Key>
    T* find(const Key&... key) {
        for (int i = 0; i < Slots; ++i) {
            T* map = slots_[i];
            if (!map || !map->matches(key...)) continue;
            for (int j = i; j > 0; --j) slots_[j] = slots_[j - 1];
            slots_[0] = map;
            map->addRef();
            return map;
        }
        return nullptr;
    }

    // Puts a new map at the front with a reference of the cache's own; the least recently
    // used one drops out and loses the cache's reference.
    void add(T* map) {
        if (slots_[Slots - 1]) slots_[Slots - 1]->release();
        for (int j = Slots - 1; j > 0; --j) slots_[j] = slots_[j - 1];
        map->addRef();
        slots_[0] = map;
    }

    void clear() {
        for (T*& map : slots_) {
            if (map) map->release();
            map = nullptr;
        }
    }

    T* slot(int i) const { return i >= 0 && i < Slots ? slots_[i] : nullptr; }
    static constexpr int slotCount() { return Slots; }

private:
    T* slots_[Slots] = {};
};

}  // namespace qm
