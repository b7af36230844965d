#pragma once
// Installed fonts made for logical fonts, kept for reuse: a page asks for the same few
// faces and sizes thousands of times, and making one reads a font file. Least recently
// used entries go first once the cache is full.
#include <list>
#include <memory>
#include <unordered_map>

#include "platform/canvas/device_font.h"

namespace qm {

class DeviceFontCache {
public:
    static constexpr size_t kCapacity = 256;

    // The font for `logical`, or null when no installed font answers it (remembered too, so
    // a missing face is looked for once).
    const DeviceFont* get(const LogicalFont& logical);
    size_t size() const { return map_.size(); }

private:
    struct Key {
        LogicalFont f;
        bool operator==(const Key& o) const {
            return f.face == o.f.face && f.height == o.f.height && f.width == o.f.width && f.weight == o.f.weight &&
                   f.italic == o.f.italic && f.charset == o.f.charset && f.escapement == o.f.escapement;
        }
    };
    struct Hash {
        size_t operator()(const Key& k) const;
    };
    using Order = std::list<Key>;
    struct Slot {
        std::unique_ptr<DeviceFont> font;
        Order::iterator place;
    };
    Order order_;  // most recent first
    std::unordered_map<Key, Slot, Hash> map_;
};

}  // namespace qm
