#include "render/decoded_image_cache.h"

namespace qm {

namespace {

size_t sizeOf(const ImageSamples& s) { return s.values.size() * sizeof(s.values[0]) + sizeof s; }

}  // namespace

SharedSamples DecodedImageCache::find(const Key& key) {
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->samples;
}

void DecodedImageCache::keep(const Key& key, SharedSamples samples) {
    if (auto it = index_.find(key); it != index_.end()) drop(it->second);
    if (!samples) return;
    ++decodes_;
    const size_t size = sizeOf(*samples);
    if (size > maxBytes_) return;
    entries_.push_front(Entry{key, std::move(samples), size});
    index_[key] = entries_.begin();
    bytes_ += size;
    while (bytes_ > maxBytes_) drop(std::prev(entries_.end()));
}

void DecodedImageCache::clear() {
    entries_.clear();
    index_.clear();
    bytes_ = 0;
}

void DecodedImageCache::drop(std::list<Entry>::iterator it) {
    bytes_ -= it->bytes;
    index_.erase(it->key);
    entries_.erase(it);
}

}  // namespace qm
