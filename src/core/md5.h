#pragma once
// MD5 message digest (RFC 1321), used to derive document and object keys.
#include <cstddef>
#include <cstdint>

namespace qm {

class Md5 {
public:
    Md5();
    void update(const void* data, size_t length);
    // Writes the 16-byte digest; the object must not be updated afterwards.
    void finish(uint8_t digest[16]);

    static void digest(const void* data, size_t length, uint8_t out[16]);

private:
    void block(const uint8_t* p);

    uint32_t state_[4];
    uint64_t bytes_ = 0;
    uint8_t buffer_[64];
    size_t used_ = 0;
};

}  // namespace qm
