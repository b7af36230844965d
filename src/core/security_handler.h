#pragma once
// Standard security handler, revisions 2 to 4 (keys of 40 to 128 bits made with MD5): the
// file key from the passwords, and the per-object RC4 decryptor. Revisions 5 and 6 are in
// aes256_keys.h, the per-object choice of method in standard_cipher.h.
#include <cstdint>
#include <memory>
#include <string>

#include "core/object_cipher.h"
#include "core/rc4.h"
#include "streams/stream.h"

namespace qm {

struct StandardEncryption {
    int version = 1;      // V
    int revision = 2;     // R
    int keyLength = 5;    // bytes, 5..16 (32 from revision 5)
    std::string owner;    // O, 32 bytes (48 from revision 5)
    std::string user;     // U, 32 bytes (48 from revision 5)
    int32_t permissions = 0;  // P
    std::string fileId;   // first string of the trailer's ID
    bool encryptMetadata = true;  // EncryptMetadata (revision 4 and later)
    std::string ownerKey;  // OE, 32 bytes: the file key encrypted under the owner password
    std::string userKey;   // UE, 32 bytes: the file key encrypted under the user password
    std::string perms;     // Perms, 16 bytes, or empty
};

// The 32-byte form of a password: its first 32 bytes completed with the pad string;
// null stands for the pad string itself.
void padPassword(const char* password, uint8_t out[32]);

// True when the owner or the user password opens the document; `fileKey` receives the key
// (keyLength bytes are meaningful) and `ownerAccepted` whether the owner password did it.
bool computeFileKey(const StandardEncryption& enc, const char* ownerPassword, const char* userPassword,
                    uint8_t fileKey[16], bool* ownerAccepted);

// What the object key is hashed from: the file key (5 to 16 bytes), then the object number's
// three low bytes and the generation's two, least significant first. Returns its length.
constexpr int kMaxObjectKeyMaterial = 21;
int objectKeyMaterial(const uint8_t* fileKey, int keyLength, int objectNumber, int generation,
                      uint8_t out[kMaxObjectKeyMaterial]);

class ObjectDecryptor : public StreamDecryptor {
public:
    ObjectDecryptor(const uint8_t* fileKey, int keyLength, int objectNumber, int generation);
    void reset() override { rc4_.init(objectKey_, objectKeyLength_); }
    uint8_t decryptByte(uint8_t byte) { return rc4_.next(byte); }
    int decrypt(const unsigned char* in, int length, unsigned char* out, bool) override {
        for (int i = 0; i < length; ++i) out[i] = rc4_.next(in[i]);
        return length > 0 ? length : 0;
    }

private:
    uint8_t objectKey_[16];
    int objectKeyLength_;
    Rc4 rc4_;
};

// Hands the parser one RC4 decryptor per object for a document's file key.
class Rc4ObjectCipher : public ObjectCipher {
public:
    Rc4ObjectCipher(const uint8_t* fileKey, int keyLength);
    std::unique_ptr<StreamDecryptor> forObject(int number, int generation) const override;

private:
    uint8_t key_[16];
    int keyLength_;
};

}  // namespace qm
