#include "convert/font_class_table.h"

#include <cstring>

namespace qm {

namespace {
bool sameStyle(const FontClass& c, const TextItem& item) {
    return c.height == item.height && c.colour == item.colour && c.bold == item.bold && c.italic == item.italic &&
           c.face == faceOf(item);
}
}  // namespace

std::string FontClassTable::keyOf(const TextItem& item) {
    int32_t fixed[4] = {item.height, static_cast<int32_t>(item.colour), item.bold, item.italic};
    std::string key(reinterpret_cast<const char*>(fixed), sizeof fixed);
    key += faceOf(item);
    return key;
}

int FontClassTable::find(const TextItem& item) const {
    if (lastHit_ >= 0 && sameStyle(classes_[static_cast<size_t>(lastHit_)], item)) return lastHit_;
    auto it = index_.find(keyOf(item));
    if (it == index_.end()) return -1;
    lastHit_ = it->second;
    return it->second;
}

int FontClassTable::add(const TextItem& item) {
    int found = find(item);
    if (found >= 0) return found;
    int number = static_cast<int>(classes_.size());
    classes_.push_back(FontClass{item.height, std::string(faceOf(item)), item.colour, item.bold, item.italic});
    index_.emplace(keyOf(item), number);
    lastHit_ = number;
    return number;
}

void FontClassTable::clear() {
    classes_.clear();
    index_.clear();
    lastHit_ = -1;
}

}  // namespace qm
