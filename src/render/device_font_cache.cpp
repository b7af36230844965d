#include "render/device_font_cache.h"

#include <functional>

namespace qm {

size_t DeviceFontCache::Hash::operator()(const Key& k) const {
    size_t h = std::hash<std::string>()(k.f.face);
    for (int v : {k.f.height, k.f.width, k.f.weight, int(k.f.italic), k.f.charset, k.f.escapement})
        h = h * 1000003u ^ std::hash<int>()(v);
    return h;
}

const DeviceFont* DeviceFontCache::get(const LogicalFont& logical) {
    Key key{logical};
    auto found = map_.find(key);
    if (found != map_.end()) {
        order_.splice(order_.begin(), order_, found->second.place);
        return found->second.font.get();
    }
    if (map_.size() >= kCapacity) {
        map_.erase(order_.back());
        order_.pop_back();
    }
    order_.push_front(key);
    Slot& slot = map_[key];
    slot.font = DeviceFont::create(logical);
    slot.place = order_.begin();
    return slot.font.get();
}

}  // namespace qm
