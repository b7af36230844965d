#include "fonts/glyph_name_table.h"

namespace qm {

void GlyphNameTable::addStatic(const StaticNameEntry* entries, int count) {
    for (int i = 0; i < count; ++i) map_.insert(entries[i].name, &entries[i].value);
}

void GlyphNameTable::add(const char* name, uint16_t value) {
    added_.push_back(value);
    map_.insert(name, &added_.back());
}

uint16_t GlyphNameTable::lookup(const char* name) const {
    if (!name) return 0;
    const uint16_t* v = map_.lookup(name);
    return v ? *v : 0;
}

}  // namespace qm
