#include "convert/font_class_table.h"

#include <cstring>

namespace qm {

namespace {
bool sameStyle(const FontClass& c, const FontClass& s) {
    return c.height == s.height && c.colour == s.colour && c.bold == s.bold && c.italic == s.italic &&
           c.sizeThousandths == s.sizeThousandths && c.invisible == s.invisible && c.face == s.face &&
           c.family == s.family;
}
}  // namespace

FontClass FontClassTable::styleOf(const TextItem& item) {
    return FontClass{item.height, std::string(faceOf(item)), item.colour, item.bold, item.italic, 0, {}, false};
}

std::string FontClassTable::keyOf(const FontClass& s) {
    int32_t fixed[6] = {s.height, static_cast<int32_t>(s.colour), s.bold, s.italic, s.sizeThousandths,
                        s.invisible ? 1 : 0};
    std::string key(reinterpret_cast<const char*>(fixed), sizeof fixed);
    // The face cannot hold a zero byte (it is a C string), so the family after it is unambiguous.
    key += s.face;
    key += '\0';
    key += s.family;
    return key;
}

int FontClassTable::find(const TextItem& item) const { return find(styleOf(item)); }

int FontClassTable::find(const FontClass& style) const {
    if (lastHit_ >= 0 && sameStyle(classes_[static_cast<size_t>(lastHit_)], style)) return lastHit_;
    auto it = index_.find(keyOf(style));
    if (it == index_.end()) return -1;
    lastHit_ = it->second;
    return it->second;
}

int FontClassTable::add(const TextItem& item) { return add(styleOf(item)); }

int FontClassTable::add(const FontClass& style) {
    int found = find(style);
    if (found >= 0) return found;
    int number = static_cast<int>(classes_.size());
    classes_.push_back(style);
    index_.emplace(keyOf(style), number);
    lastHit_ = number;
    return number;
}

void FontClassTable::clear() {
    classes_.clear();
    index_.clear();
    lastHit_ = -1;
}

}  // namespace qm
