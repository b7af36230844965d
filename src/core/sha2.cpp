#include "core/sha2.h"

#include <cstring>

namespace qm {

namespace {

// First 32 (or 64) bits of the fractional parts of the cube roots of the first primes.
constexpr uint32_t kK256[64] = {
    0x428a2f98u, 0x71374491u, 0xb5c0fbcfu, 0xe9b5dba5u, 0x3956c25bu, 0x59f111f1u, 0x923f82a4u, 0xab1c5ed5u,
    0xd807aa98u, 0x12835b01u, 0x243185beu, 0x550c7dc3u, 0x72be5d74u, 0x80deb1feu, 0x9bdc06a7u, 0xc19bf174u,
    0xe49b69c1u, 0xefbe4786u, 0x0fc19dc6u, 0x240ca1ccu, 0x2de92c6fu, 0x4a7484aau, 0x5cb0a9dcu, 0x76f988dau,
    0x983e5152u, 0xa831c66du, 0xb00327c8u, 0xbf597fc7u, 0xc6e00bf3u, 0xd5a79147u, 0x06ca6351u, 0x14292967u,
    0x27b70a85u, 0x2e1b2138u, 0x4d2c6dfcu, 0x53380d13u, 0x650a7354u, 0x766a0abbu, 0x81c2c92eu, 0x92722c85u,
    0xa2bfe8a1u, 0xa81a664bu, 0xc24b8b70u, 0xc76c51a3u, 0xd192e819u, 0xd6990624u, 0xf40e3585u, 0x106aa070u,
    0x19a4c116u, 0x1e376c08u, 0x2748774cu, 0x34b0bcb5u, 0x391c0cb3u, 0x4ed8aa4au, 0x5b9cca4fu, 0x682e6ff3u,
    0x748f82eeu, 0x78a5636fu, 0x84c87814u, 0x8cc70208u, 0x90befffau, 0xa4506cebu, 0xbef9a3f7u, 0xc67178f2u,
};

constexpr uint64_t kK512[80] = {
    0x428a2f98d728ae22ULL, 0x7137449123ef65cdULL, 0xb5c0fbcfec4d3b2fULL, 0xe9b5dba58189dbbcULL,
    0x3956c25bf348b538ULL, 0x59f111f1b605d019ULL, 0x923f82a4af194f9bULL, 0xab1c5ed5da6d8118ULL,
    0xd807aa98a3030242ULL, 0x12835b0145706fbeULL, 0x243185be4ee4b28cULL, 0x550c7dc3d5ffb4e2ULL,
    0x72be5d74f27b896fULL, 0x80deb1fe3b1696b1ULL, 0x9bdc06a725c71235ULL, 0xc19bf174cf692694ULL,
    0xe49b69c19ef14ad2ULL, 0xefbe4786384f25e3ULL, 0x0fc19dc68b8cd5b5ULL, 0x240ca1cc77ac9c65ULL,
    0x2de92c6f592b0275ULL, 0x4a7484aa6ea6e483ULL, 0x5cb0a9dcbd41fbd4ULL, 0x76f988da831153b5ULL,
    0x983e5152ee66dfabULL, 0xa831c66d2db43210ULL, 0xb00327c898fb213fULL, 0xbf597fc7beef0ee4ULL,
    0xc6e00bf33da88fc2ULL, 0xd5a79147930aa725ULL, 0x06ca6351e003826fULL, 0x142929670a0e6e70ULL,
    0x27b70a8546d22ffcULL, 0x2e1b21385c26c926ULL, 0x4d2c6dfc5ac42aedULL, 0x53380d139d95b3dfULL,
    0x650a73548baf63deULL, 0x766a0abb3c77b2a8ULL, 0x81c2c92e47edaee6ULL, 0x92722c851482353bULL,
    0xa2bfe8a14cf10364ULL, 0xa81a664bbc423001ULL, 0xc24b8b70d0f89791ULL, 0xc76c51a30654be30ULL,
    0xd192e819d6ef5218ULL, 0xd69906245565a910ULL, 0xf40e35855771202aULL, 0x106aa07032bbd1b8ULL,
    0x19a4c116b8d2d0c8ULL, 0x1e376c085141ab53ULL, 0x2748774cdf8eeb99ULL, 0x34b0bcb5e19b48a8ULL,
    0x391c0cb3c5c95a63ULL, 0x4ed8aa4ae3418acbULL, 0x5b9cca4f7763e373ULL, 0x682e6ff3d6b2b8a3ULL,
    0x748f82ee5defb2fcULL, 0x78a5636f43172f60ULL, 0x84c87814a1f0ab72ULL, 0x8cc702081a6439ecULL,
    0x90befffa23631e28ULL, 0xa4506cebde82bde9ULL, 0xbef9a3f7b2c67915ULL, 0xc67178f2e372532bULL,
    0xca273eceea26619cULL, 0xd186b8c721c0c207ULL, 0xeada7dd6cde0eb1eULL, 0xf57d4f7fee6ed178ULL,
    0x06f067aa72176fbaULL, 0x0a637dc5a2c898a6ULL, 0x113f9804bef90daeULL, 0x1b710b35131c471bULL,
    0x28db77f523047d84ULL, 0x32caab7b40c72493ULL, 0x3c9ebe0a15c9bebcULL, 0x431d67c49c100d4cULL,
    0x4cc5d4becb3e42b6ULL, 0x597f299cfc657e2aULL, 0x5fcb6fab3ad6faecULL, 0x6c44198c4a475817ULL,
};

// Fractional parts of the square roots of the first eight primes (SHA-256, SHA-512) and of
// the ninth to sixteenth (SHA-384).
constexpr uint32_t kInit256[8] = {
    0x6a09e667u, 0xbb67ae85u, 0x3c6ef372u, 0xa54ff53au, 0x510e527fu, 0x9b05688cu, 0x1f83d9abu, 0x5be0cd19u,
};
constexpr uint64_t kInit512[8] = {
    0x6a09e667f3bcc908ULL, 0xbb67ae8584caa73bULL, 0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL,
    0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL, 0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL,
};
constexpr uint64_t kInit384[8] = {
    0xcbbb9d5dc1059ed8ULL, 0x629a292a367cd507ULL, 0x9159015a3070dd17ULL, 0x152fecd8f70e5939ULL,
    0x67332667ffc00b31ULL, 0x8eb44a8768581511ULL, 0xdb0c2e0d64f98fa7ULL, 0x47b5481dbefa4fa4ULL,
};

inline uint32_t rotr32(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint64_t rotr64(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

inline uint32_t load32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline uint64_t load64(const uint8_t* p) { return (uint64_t{load32(p)} << 32) | load32(p + 4); }

inline void store64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
}

// Buffers `data` into whole blocks for `blockFn`; shared by both digest sizes.
template <size_t N, typename BlockFn>
void absorb(uint8_t (&buffer)[N], size_t& used, const void* data, size_t length, BlockFn blockFn) {
    if (length == 0) return;  // `data` may then be null
    const auto* p = static_cast<const uint8_t*>(data);
    if (used) {
        size_t take = N - used < length ? N - used : length;
        std::memcpy(buffer + used, p, take);
        used += take;
        p += take;
        length -= take;
        if (used < N) return;
        blockFn(buffer);
        used = 0;
    }
    for (; length >= N; p += N, length -= N) blockFn(p);
    if (length) std::memcpy(buffer, p, length);
    used = length;
}

// The compression function of both sizes: the message schedule and the rounds differ only
// in word size, round count, constants and rotation amounts.
struct Rounds256 {
    using Word = uint32_t;
    static constexpr int kRounds = 64;
    static constexpr int kBig0[3] = {2, 13, 22}, kBig1[3] = {6, 11, 25};
    static constexpr int kSmall0[3] = {7, 18, 3}, kSmall1[3] = {17, 19, 10};
    static constexpr const Word* kK = kK256;
    static Word load(const uint8_t* p) { return load32(p); }
    static Word rotr(Word x, int n) { return rotr32(x, n); }
};

struct Rounds512 {
    using Word = uint64_t;
    static constexpr int kRounds = 80;
    static constexpr int kBig0[3] = {28, 34, 39}, kBig1[3] = {14, 18, 41};
    static constexpr int kSmall0[3] = {1, 8, 7}, kSmall1[3] = {19, 61, 6};
    static constexpr const Word* kK = kK512;
    static Word load(const uint8_t* p) { return load64(p); }
    static Word rotr(Word x, int n) { return rotr64(x, n); }
};

template <typename R>
void compress(typename R::Word state[8], const uint8_t* p) {
    using W = typename R::Word;
    auto big = [](W x, const int (&r)[3]) { return R::rotr(x, r[0]) ^ R::rotr(x, r[1]) ^ R::rotr(x, r[2]); };
    auto small = [](W x, const int (&r)[3]) { return R::rotr(x, r[0]) ^ R::rotr(x, r[1]) ^ (x >> r[2]); };
    W w[R::kRounds];
    for (int i = 0; i < 16; ++i) w[i] = R::load(p + sizeof(W) * static_cast<size_t>(i));
    for (int i = 16; i < R::kRounds; ++i)
        w[i] = w[i - 16] + small(w[i - 15], R::kSmall0) + w[i - 7] + small(w[i - 2], R::kSmall1);
    W v[8];
    for (int i = 0; i < 8; ++i) v[i] = state[i];
    for (int i = 0; i < R::kRounds; ++i) {
        W t1 = v[7] + big(v[4], R::kBig1) + ((v[4] & v[5]) ^ (~v[4] & v[6])) + R::kK[i] + w[i];
        W t2 = big(v[0], R::kBig0) + ((v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]));
        for (int j = 7; j > 0; --j) v[j] = v[j - 1];
        v[4] += t1;
        v[0] = t1 + t2;
    }
    for (int i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

Sha256::Sha256() { std::memcpy(state_, kInit256, sizeof state_); }

void Sha256::block(const uint8_t* p) { compress<Rounds256>(state_, p); }

void Sha256::update(const void* data, size_t length) {
    bytes_ += length;
    absorb(buffer_, used_, data, length, [this](const uint8_t* p) { block(p); });
}

void Sha256::finish(uint8_t digest[kDigestSize]) {
    const uint64_t bits = bytes_ * 8;
    uint8_t tail[72] = {0x80};
    size_t pad = (used_ < 56 ? 56 - used_ : 120 - used_);
    for (int i = 0; i < 8; ++i) tail[pad + static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    update(tail, pad + 8);
    for (int i = 0; i < 8; ++i) {
        digest[4 * i] = static_cast<uint8_t>(state_[i] >> 24);
        digest[4 * i + 1] = static_cast<uint8_t>(state_[i] >> 16);
        digest[4 * i + 2] = static_cast<uint8_t>(state_[i] >> 8);
        digest[4 * i + 3] = static_cast<uint8_t>(state_[i]);
    }
}

void Sha256::digest(const void* data, size_t length, uint8_t out[kDigestSize]) {
    Sha256 h;
    h.update(data, length);
    h.finish(out);
}

Sha512::Sha512(Variant variant) : variant_(variant) {
    std::memcpy(state_, variant == Variant::Sha384 ? kInit384 : kInit512, sizeof state_);
}

void Sha512::block(const uint8_t* p) { compress<Rounds512>(state_, p); }

void Sha512::update(const void* data, size_t length) {
    bytes_ += length;
    absorb(buffer_, used_, data, length, [this](const uint8_t* p) { block(p); });
}

void Sha512::finish(uint8_t* digest) {
    // The length field is 128 bits; inputs here never need the upper half.
    const uint64_t bits = bytes_ * 8;
    uint8_t tail[144] = {0x80};
    size_t pad = (used_ < 112 ? 112 - used_ : 240 - used_);
    store64(tail + pad + 8, bits);
    update(tail, pad + 16);
    uint8_t full[64];
    for (int i = 0; i < 8; ++i) store64(full + 8 * i, state_[i]);
    std::memcpy(digest, full, static_cast<size_t>(digestSize()));
}

void Sha512::digest(Variant variant, const void* data, size_t length, uint8_t* out) {
    Sha512 h(variant);
    h.update(data, length);
    h.finish(out);
}

}  // namespace qm
