#include "core/aes256_keys.h"

#include <cstring>
#include <vector>

#include "core/aes.h"
#include "core/sha2.h"

namespace qm {

namespace {

constexpr size_t kHashSize = 32;
constexpr size_t kSaltSize = 8;
constexpr size_t kUserDataSize = 48;  // U: hash, validation salt, key salt
constexpr int kMinRounds = 64;

size_t passwordLength(const char* password) {
    size_t n = password ? std::strlen(password) : 0;
    return n > kMaxAes256Password ? kMaxAes256Password : n;
}

// Checks one password against the 48-byte entry `entry` (U or O) and, when it matches,
// unwraps the file key from `wrapped` (UE or OE).
bool tryPassword(const StandardEncryption& enc, const char* password, const std::string& entry,
                 const std::string& wrapped, const uint8_t* userData, uint8_t fileKey[32]) {
    const auto* pw = reinterpret_cast<const uint8_t*>(password ? password : "");
    const size_t n = passwordLength(password);
    const auto* e = reinterpret_cast<const uint8_t*>(entry.data());
    uint8_t hash[kHashSize];
    aes256PasswordHash(enc.revision, pw, n, e + kHashSize, userData, hash);
    if (std::memcmp(hash, e, kHashSize) != 0) return false;
    aes256PasswordHash(enc.revision, pw, n, e + kHashSize + kSaltSize, userData, hash);
    std::memcpy(fileKey, wrapped.data(), 32);
    uint8_t iv[Aes::kBlockSize] = {};
    Aes(hash, 32).decryptCbc(fileKey, 2, iv);
    return true;
}

}  // namespace

void aes256PasswordHash(int revision, const uint8_t* password, size_t passwordLength, const uint8_t* salt,
                        const uint8_t* userData, uint8_t out[32]) {
    if (passwordLength > kMaxAes256Password) passwordLength = kMaxAes256Password;
    const size_t udLength = userData ? kUserDataSize : 0;
    Sha256 first;
    first.update(password, passwordLength);
    first.update(salt, kSaltSize);
    first.update(userData, udLength);
    uint8_t k[64];
    first.finish(k);
    if (revision < 6) {
        std::memcpy(out, k, kHashSize);
        return;
    }
    size_t kLength = kHashSize;
    std::vector<uint8_t> k1;
    for (int round = 1;; ++round) {
        // The password, K and the user data, 64 times over, encrypted with the first half of K
        // as key and the second as IV. Lengths are multiples of 64, so whole blocks.
        const size_t unit = passwordLength + kLength + udLength;
        k1.resize(unit * 64);
        std::memcpy(k1.data(), password, passwordLength);
        std::memcpy(k1.data() + passwordLength, k, kLength);
        if (udLength) std::memcpy(k1.data() + passwordLength + kLength, userData, udLength);
        for (size_t i = 1; i < 64; ++i) std::memcpy(k1.data() + i * unit, k1.data(), unit);
        uint8_t iv[Aes::kBlockSize];
        std::memcpy(iv, k + 16, Aes::kBlockSize);
        Aes(k, 16).encryptCbc(k1.data(), k1.size() / Aes::kBlockSize, iv);
        // The first 16 bytes as a number modulo 3 choose the next hash; 256 = 1 (mod 3), so
        // their sum gives the same remainder.
        unsigned sum = 0;
        for (int i = 0; i < 16; ++i) sum += k1[static_cast<size_t>(i)];
        switch (sum % 3) {
        case 0:
            Sha256::digest(k1.data(), k1.size(), k);
            kLength = 32;
            break;
        case 1:
            Sha512::digest(Sha512::Variant::Sha384, k1.data(), k1.size(), k);
            kLength = 48;
            break;
        default:
            Sha512::digest(Sha512::Variant::Sha512, k1.data(), k1.size(), k);
            kLength = 64;
            break;
        }
        // At least 64 rounds; then on until the last byte of the encrypted data is at most the
        // round count less 32, which is certain by round 288.
        if (round >= kMinRounds && k1.back() <= round - 32) break;
    }
    std::memcpy(out, k, kHashSize);
}

bool computeAes256FileKey(const StandardEncryption& enc, const char* ownerPassword, const char* userPassword,
                          uint8_t fileKey[32], bool* ownerAccepted) {
    *ownerAccepted = false;
    std::memset(fileKey, 0, 32);
    if (enc.owner.size() < kUserDataSize || enc.user.size() < kUserDataSize || enc.ownerKey.size() < 32 ||
        enc.userKey.size() < 32)
        return false;
    const auto* userData = reinterpret_cast<const uint8_t*>(enc.user.data());
    if (tryPassword(enc, ownerPassword, enc.owner, enc.ownerKey, userData, fileKey)) {
        *ownerAccepted = true;
        return true;
    }
    return tryPassword(enc, userPassword, enc.user, enc.userKey, nullptr, fileKey);
}

bool aes256PermsMatch(const StandardEncryption& enc, const uint8_t fileKey[32]) {
    if (enc.perms.size() < Aes::kBlockSize) return false;
    uint8_t block[Aes::kBlockSize];
    Aes(fileKey, 32).decryptBlock(reinterpret_cast<const uint8_t*>(enc.perms.data()), block);
    const auto p = static_cast<uint32_t>(enc.permissions);
    for (int i = 0; i < 4; ++i)
        if (block[i] != static_cast<uint8_t>(p >> (8 * i))) return false;
    const char metadata = enc.encryptMetadata ? 'T' : 'F';
    return std::memcmp(block + 9, "adb", 3) == 0 && block[8] == metadata;
}

}  // namespace qm
