#pragma once
// The few object streams decoded most recently, kept so that fetching many objects of one
// object stream decodes it once. Bounded in count and in bytes.
#include <memory>
#include <utility>
#include <vector>

namespace qm {

struct SharedFile;

struct DecodedObjectStream {
    int number = 0;
    std::shared_ptr<SharedFile> data;  // the decoded bytes, readable as a file
    long size = 0;
    long first = 0;                          // offset of the first object (First)
    std::vector<std::pair<int, long>> objects;  // (object number, offset from First)
};

class ObjectStreamCache {
public:
    static constexpr int kMaxStreams = 8;
    static constexpr long kMaxBytes = 32L << 20;

    // The cached stream, now the most recently used; null when it is not cached.
    const DecodedObjectStream* find(int number);
    // Keeps `stream` as the most recently used, dropping the oldest beyond the bounds.
    const DecodedObjectStream* insert(DecodedObjectStream stream);
    int count() const { return static_cast<int>(streams_.size()); }

private:
    std::vector<DecodedObjectStream> streams_;  // most recently used first
};

}  // namespace qm
