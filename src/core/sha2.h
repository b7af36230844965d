#pragma once
// SHA-256, SHA-384 and SHA-512 message digests (FIPS 180-4), used to check AES-256 passwords
// and derive their file keys.
#include <cstddef>
#include <cstdint>

namespace qm {

class Sha256 {
public:
    static constexpr int kDigestSize = 32;
    Sha256();
    void update(const void* data, size_t length);
    // Writes the digest; the object must not be updated afterwards.
    void finish(uint8_t digest[kDigestSize]);
    static void digest(const void* data, size_t length, uint8_t out[kDigestSize]);

private:
    void block(const uint8_t* p);

    uint32_t state_[8];
    uint64_t bytes_ = 0;
    uint8_t buffer_[64];
    size_t used_ = 0;
};

// SHA-512, and SHA-384 (the same rounds from other initial values, cut to 48 bytes).
class Sha512 {
public:
    enum class Variant { Sha384, Sha512 };
    explicit Sha512(Variant variant = Variant::Sha512);
    int digestSize() const { return variant_ == Variant::Sha384 ? 48 : 64; }
    void update(const void* data, size_t length);
    // Writes digestSize() bytes; the object must not be updated afterwards.
    void finish(uint8_t* digest);
    static void digest(Variant variant, const void* data, size_t length, uint8_t* out);

private:
    void block(const uint8_t* p);

    Variant variant_;
    uint64_t state_[8];
    uint64_t bytes_ = 0;
    uint8_t buffer_[128];
    size_t used_ = 0;
};

}  // namespace qm
