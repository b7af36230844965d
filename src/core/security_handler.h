#pragma once
// Standard security handler, revisions 2 and 3 (RC4, 40 to 128-bit keys): the file key
// from the passwords, and the per-object decryptors the parser and file streams use.
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
    int keyLength = 5;    // bytes, 5..16
    std::string owner;    // O, 32 bytes
    std::string user;     // U, 32 bytes
    int32_t permissions = 0;  // P
    std::string fileId;   // first string of the trailer's ID
};

// The 32-byte form of a password: its first 32 bytes completed with the pad string;
// null stands for the pad string itself.
void padPassword(const char* password, uint8_t out[32]);

// True when the owner or the user password opens the document; `fileKey` receives the key
// (keyLength bytes are meaningful) and `ownerAccepted` whether the owner password did it.
bool computeFileKey(const StandardEncryption& enc, const char* ownerPassword, const char* userPassword,
                    uint8_t fileKey[16], bool* ownerAccepted);

class ObjectDecryptor : public StreamDecryptor {
public:
    ObjectDecryptor(const uint8_t* fileKey, int keyLength, int objectNumber, int generation);
    void reset() override { rc4_.init(objectKey_, objectKeyLength_); }
    uint8_t decryptByte(uint8_t byte) { return rc4_.next(byte); }
    void decrypt(unsigned char* data, int length) override {
        if (length > 0) rc4_.apply(data, static_cast<size_t>(length));
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
