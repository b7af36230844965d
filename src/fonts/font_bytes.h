#pragma once
// A bounds-checked window on a font program in memory. Every read outside the window gives
// zero instead of touching memory, so hostile offsets and counts cannot escape the buffer;
// readers check `has` where a zero would be mistaken for data.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qm {

class FontBytes {
public:
    FontBytes() = default;
    FontBytes(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

    size_t size() const { return size_; }
    const uint8_t* data() const { return data_; }
    // True when `count` bytes from `offset` lie inside the window.
    bool has(size_t offset, size_t count) const { return offset <= size_ && count <= size_ - offset; }

    uint8_t u8(size_t offset) const { return offset < size_ ? data_[offset] : 0; }
    uint16_t u16(size_t offset) const {
        return has(offset, 2) ? static_cast<uint16_t>(data_[offset] << 8 | data_[offset + 1]) : 0;
    }
    int16_t s16(size_t offset) const { return static_cast<int16_t>(u16(offset)); }
    uint32_t u32(size_t offset) const {
        if (!has(offset, 4)) return 0;
        return static_cast<uint32_t>(data_[offset]) << 24 | static_cast<uint32_t>(data_[offset + 1]) << 16 |
               static_cast<uint32_t>(data_[offset + 2]) << 8 | data_[offset + 3];
    }
    // Big-endian unsigned number of 1 to 4 bytes.
    uint32_t uN(size_t offset, int bytes) const {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | u8(offset + i);
        return v;
    }

    // The part of the window from `offset`, at most `count` bytes long (empty when the
    // offset lies outside).
    FontBytes sub(size_t offset, size_t count) const {
        if (offset >= size_) return {};
        return FontBytes(data_ + offset, count < size_ - offset ? count : size_ - offset);
    }
    std::string_view text(size_t offset, size_t count) const {
        FontBytes s = sub(offset, count);
        return {reinterpret_cast<const char*>(s.data_), s.size_};
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace qm
