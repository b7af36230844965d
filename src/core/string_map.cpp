#include "core/string_map.h"

#include <cstring>

#include "core/memory.h"

namespace qm {

uint32_t nameHash(const char* key) {
    uint32_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key); *p; ++p) h = h * 17 + *p;
    return h;
}

StringMapBase::StringMapBase() : slots_(31) {}

StringMapBase::~StringMapBase() {
    for (auto& s : slots_) memFree(s.key);
}

void StringMapBase::place(std::vector<Slot>& slots, char* key, void* value) {
    size_t n = slots.size();
    size_t i = nameHash(key) % n;
    while (slots[i].key) i = (i + 1) % n;
    slots[i].key = key;
    slots[i].value = value;
}

void StringMapBase::grow() {
    std::vector<Slot> bigger(slots_.size() * 2 + 1);
    for (auto& s : slots_)
        if (s.key) place(bigger, s.key, s.value);
    slots_.swap(bigger);
}

void StringMapBase::insert(const char* key, void* value) {
    if (static_cast<size_t>(entries_) * 2 >= slots_.size()) grow();
    size_t n = slots_.size();
    size_t i = nameHash(key) % n;
    while (slots_[i].key) {
        if (std::strcmp(slots_[i].key, key) == 0) {
            slots_[i].value = value;
            ++entries_;
            return;
        }
        i = (i + 1) % n;
    }
    slots_[i].key = memStrdup(key);
    slots_[i].value = value;
    ++entries_;
}

void* StringMapBase::lookup(const char* key) const {
    size_t n = slots_.size();
    size_t i = nameHash(key) % n;
    for (size_t probes = 0; probes < n && slots_[i].key; ++probes) {
        if (std::strcmp(slots_[i].key, key) == 0) return slots_[i].value;
        i = (i + 1) % n;
    }
    return nullptr;
}

}  // namespace qm
