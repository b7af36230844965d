#pragma once
// The per-object cipher of a document opened through the standard security handler: which
// method (none, RC4, AES-128 or AES-256) decrypts strings, streams, and streams that name a
// crypt filter of their own, and the object keys for each.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/object_cipher.h"

namespace qm {

enum class CryptMethod { Identity, Rc4, AesV2, AesV3 };

struct CryptFilters {
    CryptMethod strings = CryptMethod::Rc4;
    CryptMethod streams = CryptMethod::Rc4;
    // The document's named filters, for streams that pick one with a Crypt filter.
    std::vector<std::pair<std::string, CryptMethod>> named;

    // The method of a named filter; "Identity" always exists. Null when unknown.
    const CryptMethod* find(std::string_view name) const;
    // True when strings, streams or a named filter decrypt with RC4.
    bool usesRc4() const;
};

class StandardObjectCipher : public ObjectCipher {
public:
    // `fileKey` holds `keyLength` bytes (5 to 16, or 32 for AES-256). With `zeroExtendedRc4`
    // an RC4 object key is made from the file key completed with zeros to 16 bytes, which is
    // how writers of revision 4 treat keys shorter than 128 bits; older revisions hash the
    // short key as it is.
    StandardObjectCipher(const uint8_t* fileKey, int keyLength, CryptFilters filters, bool encryptMetadata,
                         bool zeroExtendedRc4 = false);

    std::unique_ptr<StreamDecryptor> forObject(int number, int generation) const override;
    std::unique_ptr<StreamDecryptor> forStream(int number, int generation, const PdfDict* dict) const override;

    // A decryptor of `method` for object (number, generation); null for Identity.
    std::unique_ptr<StreamDecryptor> make(CryptMethod method, int number, int generation) const;

private:
    uint8_t key_[32];
    int keyLength_;
    CryptFilters filters_;
    bool encryptMetadata_;
    bool zeroExtendedRc4_;
};

// The rule for RC4 object keys a document of `revision` most likely follows when its key is
// shorter than 16 bytes (see StandardObjectCipher).
inline bool zeroExtendsShortRc4Keys(int revision) { return revision == 4; }

}  // namespace qm
