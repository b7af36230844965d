#pragma once
// Bytes put back in front of a byte source: read first, in order, before the source's own.
#include <cstddef>
#include <vector>

namespace qm {

class PushbackBytes {
public:
    bool empty() const { return pos_ == bytes_.size(); }
    // The next byte; only when not empty.
    int peek() const { return bytes_[pos_]; }
    int take() { return bytes_[pos_++]; }
    // Puts `count` bytes in front of those still unread.
    void prepend(const unsigned char* data, size_t count) {
        if (count == 0) return;
        std::vector<unsigned char> merged(data, data + count);
        merged.insert(merged.end(), bytes_.begin() + static_cast<long>(pos_), bytes_.end());
        bytes_ = std::move(merged);
        pos_ = 0;
    }
    // The unread bytes, removed.
    std::vector<unsigned char> takeAll() {
        std::vector<unsigned char> rest(bytes_.begin() + static_cast<long>(pos_), bytes_.end());
        bytes_.clear();
        pos_ = 0;
        return rest;
    }

private:
    std::vector<unsigned char> bytes_;
    size_t pos_ = 0;
};

}  // namespace qm
