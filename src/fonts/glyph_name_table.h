#pragma once
// Glyph name -> 16-bit Unicode value, as fonts without a ToUnicode map need it.
#include <cstdint>
#include <deque>

#include "core/static_name_table.h"
#include "core/string_map.h"

namespace qm {

class GlyphNameTable {
public:
    GlyphNameTable() = default;
    GlyphNameTable(const GlyphNameTable&) = delete;
    GlyphNameTable& operator=(const GlyphNameTable&) = delete;

    // Enters every row of a static list in its order; the values stay in the list.
    void addStatic(const StaticNameEntry* entries, int count);
    // Enters or replaces one name.
    void add(const char* name, uint16_t value);
    // 0 when the name is not known (no name maps to U+0000).
    uint16_t lookup(const char* name) const;
    int slotCount() const { return map_.slotCount(); }

private:
    StringMap<const uint16_t> map_;
    std::deque<uint16_t> added_;  // values of names added one by one; a deque keeps them in place
};

}  // namespace qm
