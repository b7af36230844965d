#include "core/security_handler.h"

#include <cstring>

#include "core/md5.h"

namespace qm {

namespace {

const uint8_t kPad[32] = {0x28, 0xbf, 0x4e, 0x5e, 0x4e, 0x75, 0x8a, 0x41, 0x64, 0x00, 0x4e,
                          0x56, 0xff, 0xfa, 0x01, 0x08, 0x2e, 0x2e, 0x00, 0xb6, 0xd0, 0x68,
                          0x3e, 0x80, 0x2f, 0x0c, 0xa9, 0xfe, 0x64, 0x53, 0x69, 0x7a};

int clampKeyLength(int n) { return n < 1 ? 1 : (n > 16 ? 16 : n); }

// The user password check; on success `key` holds the file key candidate.
bool checkUserPassword(const StandardEncryption& enc, const uint8_t padded[32], uint8_t key[16]) {
    const int n = clampKeyLength(enc.keyLength);
    Md5 md5;
    md5.update(padded, 32);
    md5.update(enc.owner.data(), 32);
    uint8_t p[4];
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(enc.permissions) >> (8 * i));
    md5.update(p, 4);
    md5.update(enc.fileId.data(), enc.fileId.size());
    if (enc.revision >= 4 && !enc.encryptMetadata) md5.update("\xff\xff\xff\xff", 4);
    uint8_t digest[16];
    md5.finish(digest);

    bool ok = false;
    if (enc.revision == 3 || enc.revision == 4) {
        // Each round hashes only the key's own length, which is shorter than the digest for
        // keys under 128 bits.
        for (int i = 0; i < 50; ++i) Md5::digest(digest, static_cast<size_t>(n), digest);
        uint8_t test[32];
        std::memcpy(test, enc.user.data(), 32);
        uint8_t round[16];
        for (int i = 19; i >= 0; --i) {
            for (int k = 0; k < n; ++k) round[k] = static_cast<uint8_t>(digest[k] ^ i);
            Rc4(round, n).apply(test, 32);
        }
        Md5 expected;
        expected.update(kPad, 32);
        expected.update(enc.fileId.data(), enc.fileId.size());
        uint8_t want[16];
        expected.finish(want);
        ok = std::memcmp(test, want, 16) == 0;
    } else if (enc.revision == 2) {
        uint8_t test[32];
        std::memcpy(test, enc.user.data(), 32);
        Rc4(digest, n).apply(test, 32);
        ok = std::memcmp(test, kPad, 32) == 0;
    }
    std::memcpy(key, digest, 16);
    return ok;
}

}  // namespace

void padPassword(const char* password, uint8_t out[32]) {
    size_t n = password ? std::strlen(password) : 0;
    if (n > 32) n = 32;
    if (n) std::memcpy(out, password, n);
    std::memcpy(out + n, kPad, 32 - n);
}

bool computeFileKey(const StandardEncryption& enc, const char* ownerPassword, const char* userPassword,
                    uint8_t fileKey[16], bool* ownerAccepted) {
    *ownerAccepted = false;
    std::memset(fileKey, 0, 16);
    if (enc.owner.size() < 32 || enc.user.size() < 32) return false;
    const int n = clampKeyLength(enc.keyLength);

    // The owner password decrypts O into the user password.
    uint8_t padded[32];
    padPassword(ownerPassword, padded);
    uint8_t digest[16];
    Md5::digest(padded, 32, digest);
    if (enc.revision == 3 || enc.revision == 4)
        for (int i = 0; i < 50; ++i) Md5::digest(digest, 16, digest);
    uint8_t candidate[32];
    std::memcpy(candidate, enc.owner.data(), 32);
    if (enc.revision == 3 || enc.revision == 4) {
        uint8_t round[16];
        for (int i = 19; i >= 0; --i) {
            for (int k = 0; k < n; ++k) round[k] = static_cast<uint8_t>(digest[k] ^ i);
            Rc4(round, n).apply(candidate, 32);
        }
    } else {
        Rc4(digest, n).apply(candidate, 32);
    }
    if (checkUserPassword(enc, candidate, fileKey)) {
        *ownerAccepted = true;
        return true;
    }

    padPassword(userPassword, padded);
    return checkUserPassword(enc, padded, fileKey);
}

int objectKeyMaterial(const uint8_t* fileKey, int keyLength, int objectNumber, int generation,
                      uint8_t out[kMaxObjectKeyMaterial]) {
    keyLength = clampKeyLength(keyLength);
    std::memcpy(out, fileKey, static_cast<size_t>(keyLength));
    out[keyLength] = static_cast<uint8_t>(objectNumber);
    out[keyLength + 1] = static_cast<uint8_t>(objectNumber >> 8);
    out[keyLength + 2] = static_cast<uint8_t>(objectNumber >> 16);
    out[keyLength + 3] = static_cast<uint8_t>(generation);
    out[keyLength + 4] = static_cast<uint8_t>(generation >> 8);
    return keyLength + 5;
}

ObjectDecryptor::ObjectDecryptor(const uint8_t* fileKey, int keyLength, int objectNumber, int generation)
    : rc4_(nullptr, 0) {
    keyLength = clampKeyLength(keyLength);
    uint8_t material[kMaxObjectKeyMaterial];
    int n = objectKeyMaterial(fileKey, keyLength, objectNumber, generation, material);
    Md5::digest(material, static_cast<size_t>(n), objectKey_);
    objectKeyLength_ = keyLength + 5 > 16 ? 16 : keyLength + 5;
    reset();
}

Rc4ObjectCipher::Rc4ObjectCipher(const uint8_t* fileKey, int keyLength) : keyLength_(clampKeyLength(keyLength)) {
    std::memcpy(key_, fileKey, static_cast<size_t>(keyLength_));
}

std::unique_ptr<StreamDecryptor> Rc4ObjectCipher::forObject(int number, int generation) const {
    return std::make_unique<ObjectDecryptor>(key_, keyLength_, number, generation);
}

}  // namespace qm
