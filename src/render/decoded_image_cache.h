#pragma once
// The decoded samples of a document's image XObjects, kept across the draws and pages of one
// document so that an image drawn many times (a logo on every page, a tile repeated by a
// pattern, a crafted page drawing one huge image over and over) is read and decoded once.
// Bounded in bytes; the images used longest ago leave first.
#include <cstddef>
#include <list>
#include <unordered_map>

#include "render/image_raster.h"

namespace qm {

class DecodedImageCache {
public:
    static constexpr size_t kDefaultBytes = size_t{96} << 20;

    // An image XObject by object number and generation; as a stencil mask its samples are
    // marks, not colours, and depend on whether they are inverted.
    struct Key {
        int number = 0, generation = 0;
        bool mask = false, invert = false;
        bool operator==(const Key& o) const {
            return number == o.number && generation == o.generation && mask == o.mask && invert == o.invert;
        }
    };

    explicit DecodedImageCache(size_t maxBytes = kDefaultBytes) : maxBytes_(maxBytes) {}

    // The samples kept for the image, or null; a hit makes the image the most recent.
    SharedSamples find(const Key& key);
    // Keeps `samples`, just decoded, for the image in place of any kept before, then drops the
    // least recently used images while over the limit. Samples larger than the whole limit are
    // not kept.
    void keep(const Key& key, SharedSamples samples);
    void clear();

    size_t bytes() const { return bytes_; }
    size_t count() const { return entries_.size(); }
    // How often image data was read and offered to keep(), whether or not it could be kept.
    long decodes() const { return decodes_; }

private:
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return (static_cast<size_t>(static_cast<unsigned>(k.number)) * 31 + static_cast<unsigned>(k.generation)) * 4 +
                   (k.mask ? 2 : 0) + (k.invert ? 1 : 0);
        }
    };
    struct Entry {
        Key key;
        SharedSamples samples;
        size_t bytes;
    };
    void drop(std::list<Entry>::iterator it);

    size_t maxBytes_;
    size_t bytes_ = 0;
    long decodes_ = 0;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> index_;
};

}  // namespace qm
