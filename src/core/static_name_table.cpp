#include "core/static_name_table.h"

#include <cstring>

#include "core/string_map.h"

namespace qm {

StaticNameTable::StaticNameTable(const StaticNameEntry* entries, int count)
    : entries_(entries), count_(count > 0 ? count : 0), heads_(static_cast<size_t>(count_), -1),
      next_(static_cast<size_t>(count_), -1) {
    for (int i = 0; i < count_; ++i) {
        size_t b = nameHash(entries[i].name) % static_cast<size_t>(count_);
        next_[static_cast<size_t>(i)] = heads_[b];
        heads_[b] = i;
    }
}

bool StaticNameTable::lookup(const char* name, uint16_t* value) const {
    if (count_ == 0) return false;
    for (int i = heads_[nameHash(name) % static_cast<size_t>(count_)]; i >= 0; i = next_[static_cast<size_t>(i)]) {
        if (std::strcmp(entries_[i].name, name) == 0) {
            if (value) *value = entries_[i].value;
            return true;
        }
    }
    return false;
}

}  // namespace qm
