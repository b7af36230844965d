#pragma once
// The few object streams decoded most recently, kept so that fetching many objects of one
// object stream decodes it once. Bounded in count and in bytes.
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace qm {

struct SharedFile;

struct ObjectStreamMember {
    int number;   // -1 for a number no table can hold
    long offset;  // from First
    long end;     // where the next object in the stream begins, or the end of the data
};

struct DecodedObjectStream {
    int number = 0;
    std::shared_ptr<SharedFile> data;  // the decoded bytes, readable as a file
    long size = 0;
    long first = 0;  // offset of the first object (First)
    std::vector<ObjectStreamMember> objects;

    // Fills in the members' ends and the index by number; once, after `objects` is read,
    // so that no fetch has to look at every member.
    void index();
    // The index of the last member with this number, or -1.
    long find(int objectNumber) const;

private:
    std::vector<std::pair<int, long>> byNumber_;  // (number, index), sorted
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
    void clear() { streams_.clear(); }

private:
    std::vector<DecodedObjectStream> streams_;  // most recently used first
};

}  // namespace qm
