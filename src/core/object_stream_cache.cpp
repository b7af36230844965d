#include "core/object_stream_cache.h"

#include <algorithm>
#include <climits>

namespace qm {

void DecodedObjectStream::index() {
    const long dataEnd = size - first;
    std::vector<long> starts;
    starts.reserve(objects.size());
    for (const auto& o : objects) starts.push_back(o.offset);
    std::sort(starts.begin(), starts.end());
    byNumber_.clear();
    byNumber_.reserve(objects.size());
    for (size_t i = 0; i < objects.size(); ++i) {
        ObjectStreamMember& o = objects[i];
        auto next = std::upper_bound(starts.begin(), starts.end(), o.offset);
        o.end = next != starts.end() && *next < dataEnd ? *next : dataEnd;
        byNumber_.emplace_back(o.number, static_cast<long>(i));
    }
    std::sort(byNumber_.begin(), byNumber_.end());
}

long DecodedObjectStream::find(int objectNumber) const {
    auto it = std::upper_bound(byNumber_.begin(), byNumber_.end(), std::make_pair(objectNumber, LONG_MAX));
    if (it == byNumber_.begin() || (it - 1)->first != objectNumber) return -1;
    return (it - 1)->second;
}

const DecodedObjectStream* ObjectStreamCache::find(int number) {
    for (size_t i = 0; i < streams_.size(); ++i) {
        if (streams_[i].number != number) continue;
        if (i > 0) std::rotate(streams_.begin(), streams_.begin() + static_cast<long>(i), streams_.begin() + static_cast<long>(i) + 1);
        return &streams_.front();
    }
    return nullptr;
}

const DecodedObjectStream* ObjectStreamCache::insert(DecodedObjectStream stream) {
    streams_.insert(streams_.begin(), std::move(stream));
    long bytes = 0;
    size_t keep = 0;
    // The newest always stays, even when it alone is over the byte bound.
    while (keep < streams_.size() && static_cast<int>(keep) < kMaxStreams &&
           (keep == 0 || bytes + streams_[keep].size <= kMaxBytes)) {
        bytes += streams_[keep].size;
        ++keep;
    }
    streams_.resize(keep);
    return &streams_.front();
}

}  // namespace qm
