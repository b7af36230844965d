#pragma once
// A StringMap that owns its values: replacing a key's value or destroying the map
// deletes the values it held.
#include <memory>

#include "core/string_map.h"

namespace qm {

template <class T>
class OwnedStringMap {
public:
    OwnedStringMap() = default;
    ~OwnedStringMap() {
        map_.forEach([](const char*, T* value) { delete value; });
    }
    OwnedStringMap(const OwnedStringMap&) = delete;
    OwnedStringMap& operator=(const OwnedStringMap&) = delete;

    // Null for a missing key and for no key at all.
    T* get(const char* key) const { return key ? map_.lookup(key) : nullptr; }
    // Enters the value, deleting the one it replaces.
    T* set(const char* key, std::unique_ptr<T> value) {
        delete map_.lookup(key);
        T* raw = value.release();
        map_.insert(key, raw);
        return raw;
    }
    template <class F>
    void forEach(F&& f) const {
        map_.forEach(f);
    }

private:
    StringMap<T> map_;
};

}  // namespace qm
