#include "core/aes.h"

#include <cstring>

namespace qm {

namespace {

constexpr uint8_t xtime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0)); }

constexpr uint8_t gmul(uint8_t a, uint8_t b) {
    uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = xtime(a);
        b >>= 1;
    }
    return r;
}

constexpr uint32_t word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return (uint32_t{b0} << 24) | (uint32_t{b1} << 16) | (uint32_t{b2} << 8) | uint32_t{b3};
}

// The S-box and its inverse, and one round table per direction (the other three byte
// positions are rotations of it), all computed by the compiler.
struct Tables {
    uint8_t sbox[256];
    uint8_t inverse[256];
    uint32_t enc[4][256];
    uint32_t dec[4][256];
};

constexpr uint32_t rotr(uint32_t x, int n) { return n == 0 ? x : (x >> n) | (x << (32 - n)); }

constexpr Tables makeTables() {
    Tables t{};
    // Walk the multiplicative group with generator 3 to get every inverse.
    uint8_t powers[256]{}, logs[256]{};
    uint8_t x = 1;
    for (int i = 0; i < 255; ++i) {
        powers[i] = x;
        logs[x] = static_cast<uint8_t>(i);
        x = static_cast<uint8_t>(x ^ xtime(x));
    }
    for (int v = 0; v < 256; ++v) {
        uint8_t inv = v == 0 ? 0 : powers[(255 - logs[v]) % 255];
        uint8_t s = inv;
        for (int k = 1; k < 5; ++k) s ^= static_cast<uint8_t>((inv << k) | (inv >> (8 - k)));
        s ^= 0x63;
        t.sbox[v] = s;
        t.inverse[s] = static_cast<uint8_t>(v);
    }
    for (int v = 0; v < 256; ++v) {
        uint8_t s = t.sbox[v], i = t.inverse[v];
        uint32_t e = word(gmul(s, 2), s, s, gmul(s, 3));
        uint32_t d = word(gmul(i, 14), gmul(i, 9), gmul(i, 13), gmul(i, 11));
        for (int r = 0; r < 4; ++r) {
            t.enc[r][v] = rotr(e, 8 * r);
            t.dec[r][v] = rotr(d, 8 * r);
        }
    }
    return t;
}

constexpr Tables kT = makeTables();

inline uint32_t load(const uint8_t* p) { return word(p[0], p[1], p[2], p[3]); }

inline void store(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline uint32_t subWord(uint32_t w) {
    return word(kT.sbox[w >> 24], kT.sbox[(w >> 16) & 0xff], kT.sbox[(w >> 8) & 0xff], kT.sbox[w & 0xff]);
}

}  // namespace

Aes::Aes(const uint8_t* key, int keyLength) {
    if (keyLength != 16 && keyLength != 24 && keyLength != 32) keyLength = 16;
    const int nk = keyLength / 4;
    rounds_ = nk + 6;
    const int total = 4 * (rounds_ + 1);
    for (int i = 0; i < nk; ++i) encKeys_[i] = load(key + 4 * i);
    uint8_t rcon = 1;
    for (int i = nk; i < total; ++i) {
        uint32_t temp = encKeys_[i - 1];
        if (i % nk == 0) {
            temp = subWord(rotr(temp, 24)) ^ (uint32_t{rcon} << 24);
            rcon = xtime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            temp = subWord(temp);
        }
        encKeys_[i] = encKeys_[i - nk] ^ temp;
    }
    // The equivalent inverse cipher: round keys in reverse order, the inner ones passed
    // through InvMixColumns so decryption rounds have the same shape as encryption rounds.
    for (int r = 0; r <= rounds_; ++r) {
        for (int c = 0; c < 4; ++c) {
            uint32_t w = encKeys_[4 * (rounds_ - r) + c];
            if (r > 0 && r < rounds_) {
                w = kT.dec[0][kT.sbox[w >> 24]] ^ kT.dec[1][kT.sbox[(w >> 16) & 0xff]] ^
                    kT.dec[2][kT.sbox[(w >> 8) & 0xff]] ^ kT.dec[3][kT.sbox[w & 0xff]];
            }
            decKeys_[4 * r + c] = w;
        }
    }
}

void Aes::encryptBlock(const uint8_t in[kBlockSize], uint8_t out[kBlockSize]) const {
    const uint32_t* k = encKeys_;
    uint32_t s0 = load(in) ^ k[0], s1 = load(in + 4) ^ k[1], s2 = load(in + 8) ^ k[2], s3 = load(in + 12) ^ k[3];
    const auto& e = kT.enc;
    for (int r = 1; r < rounds_; ++r) {
        k += 4;
        uint32_t t0 = e[0][s0 >> 24] ^ e[1][(s1 >> 16) & 0xff] ^ e[2][(s2 >> 8) & 0xff] ^ e[3][s3 & 0xff] ^ k[0];
        uint32_t t1 = e[0][s1 >> 24] ^ e[1][(s2 >> 16) & 0xff] ^ e[2][(s3 >> 8) & 0xff] ^ e[3][s0 & 0xff] ^ k[1];
        uint32_t t2 = e[0][s2 >> 24] ^ e[1][(s3 >> 16) & 0xff] ^ e[2][(s0 >> 8) & 0xff] ^ e[3][s1 & 0xff] ^ k[2];
        uint32_t t3 = e[0][s3 >> 24] ^ e[1][(s0 >> 16) & 0xff] ^ e[2][(s1 >> 8) & 0xff] ^ e[3][s2 & 0xff] ^ k[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    k += 4;
    const uint8_t* s = kT.sbox;
    store(out, word(s[s0 >> 24], s[(s1 >> 16) & 0xff], s[(s2 >> 8) & 0xff], s[s3 & 0xff]) ^ k[0]);
    store(out + 4, word(s[s1 >> 24], s[(s2 >> 16) & 0xff], s[(s3 >> 8) & 0xff], s[s0 & 0xff]) ^ k[1]);
    store(out + 8, word(s[s2 >> 24], s[(s3 >> 16) & 0xff], s[(s0 >> 8) & 0xff], s[s1 & 0xff]) ^ k[2]);
    store(out + 12, word(s[s3 >> 24], s[(s0 >> 16) & 0xff], s[(s1 >> 8) & 0xff], s[s2 & 0xff]) ^ k[3]);
}

void Aes::decryptBlock(const uint8_t in[kBlockSize], uint8_t out[kBlockSize]) const {
    const uint32_t* k = decKeys_;
    uint32_t s0 = load(in) ^ k[0], s1 = load(in + 4) ^ k[1], s2 = load(in + 8) ^ k[2], s3 = load(in + 12) ^ k[3];
    const auto& d = kT.dec;
    for (int r = 1; r < rounds_; ++r) {
        k += 4;
        uint32_t t0 = d[0][s0 >> 24] ^ d[1][(s3 >> 16) & 0xff] ^ d[2][(s2 >> 8) & 0xff] ^ d[3][s1 & 0xff] ^ k[0];
        uint32_t t1 = d[0][s1 >> 24] ^ d[1][(s0 >> 16) & 0xff] ^ d[2][(s3 >> 8) & 0xff] ^ d[3][s2 & 0xff] ^ k[1];
        uint32_t t2 = d[0][s2 >> 24] ^ d[1][(s1 >> 16) & 0xff] ^ d[2][(s0 >> 8) & 0xff] ^ d[3][s3 & 0xff] ^ k[2];
        uint32_t t3 = d[0][s3 >> 24] ^ d[1][(s2 >> 16) & 0xff] ^ d[2][(s1 >> 8) & 0xff] ^ d[3][s0 & 0xff] ^ k[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    k += 4;
    const uint8_t* v = kT.inverse;
    store(out, word(v[s0 >> 24], v[(s3 >> 16) & 0xff], v[(s2 >> 8) & 0xff], v[s1 & 0xff]) ^ k[0]);
    store(out + 4, word(v[s1 >> 24], v[(s0 >> 16) & 0xff], v[(s3 >> 8) & 0xff], v[s2 & 0xff]) ^ k[1]);
    store(out + 8, word(v[s2 >> 24], v[(s1 >> 16) & 0xff], v[(s0 >> 8) & 0xff], v[s3 & 0xff]) ^ k[2]);
    store(out + 12, word(v[s3 >> 24], v[(s2 >> 16) & 0xff], v[(s1 >> 8) & 0xff], v[s0 & 0xff]) ^ k[3]);
}

void Aes::encryptCbc(uint8_t* data, size_t blocks, uint8_t iv[kBlockSize]) const {
    for (size_t b = 0; b < blocks; ++b, data += kBlockSize) {
        for (int i = 0; i < kBlockSize; ++i) data[i] ^= iv[i];
        encryptBlock(data, data);
        std::memcpy(iv, data, kBlockSize);
    }
}

void Aes::decryptCbc(uint8_t* data, size_t blocks, uint8_t iv[kBlockSize]) const {
    uint8_t cipher[kBlockSize];
    for (size_t b = 0; b < blocks; ++b, data += kBlockSize) {
        std::memcpy(cipher, data, kBlockSize);
        decryptBlock(data, data);
        for (int i = 0; i < kBlockSize; ++i) data[i] ^= iv[i];
        std::memcpy(iv, cipher, kBlockSize);
    }
}

}  // namespace qm
