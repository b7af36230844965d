#pragma once
// Standard security handler, revisions 5 and 6 (AES-256): password checks against the
// validation salts in U and O, the file key unwrapped from UE or OE, and the Perms check.
#include <cstddef>
#include <cstdint>

#include "core/security_handler.h"

namespace qm {

// Passwords are UTF-8 bytes; only the first 127 count.
constexpr size_t kMaxAes256Password = 127;

// The password hash of revision 5 (one SHA-256) or 6 (SHA-256/384/512 rounds mixed with
// AES-128) over password, 8-byte salt and, for the owner, the 48 bytes of U (`userData`
// null for the user). `out` receives 32 bytes.
void aes256PasswordHash(int revision, const uint8_t* password, size_t passwordLength, const uint8_t* salt,
                        const uint8_t* userData, uint8_t out[32]);

// True when the owner or the user password opens a revision 5 or 6 document; `fileKey`
// receives the 32-byte key and `ownerAccepted` whether the owner password did it. Null
// passwords are empty ones.
bool computeAes256FileKey(const StandardEncryption& enc, const char* ownerPassword, const char* userPassword,
                          uint8_t fileKey[32], bool* ownerAccepted);

// Whether Perms, decrypted with the file key, repeats P and EncryptMetadata. A mismatch means
// the flags were edited without the key; the document can still be read.
bool aes256PermsMatch(const StandardEncryption& enc, const uint8_t fileKey[32]);

}  // namespace qm
