#include "core/object_stream_cache.h"

#include <algorithm>

namespace qm {

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
