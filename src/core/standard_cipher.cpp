#include "core/standard_cipher.h"

#include <cstring>

#include "core/aes_cbc_decryptor.h"
#include "core/md5.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/security_handler.h"

namespace qm {

namespace {

// The first element when `o` is an array, else `o` itself.
PdfObject firstOf(const PdfObject& o) { return o.isArray() ? o.arrayGet(0) : o; }

}  // namespace

const CryptMethod* CryptFilters::find(std::string_view name) const {
    static const CryptMethod kIdentity = CryptMethod::Identity;
    for (const auto& [n, method] : named)
        if (n == name) return &method;
    return name == "Identity" ? &kIdentity : nullptr;
}

bool CryptFilters::usesRc4() const {
    if (strings == CryptMethod::Rc4 || streams == CryptMethod::Rc4) return true;
    for (const auto& entry : named)
        if (entry.second == CryptMethod::Rc4) return true;
    return false;
}

StandardObjectCipher::StandardObjectCipher(const uint8_t* fileKey, int keyLength, CryptFilters filters,
                                           bool encryptMetadata, bool zeroExtendedRc4)
    : keyLength_(keyLength < 1 ? 1 : (keyLength > 32 ? 32 : keyLength)), filters_(std::move(filters)),
      encryptMetadata_(encryptMetadata), zeroExtendedRc4_(zeroExtendedRc4) {
    std::memset(key_, 0, sizeof key_);
    std::memcpy(key_, fileKey, static_cast<size_t>(keyLength_));
}

std::unique_ptr<StreamDecryptor> StandardObjectCipher::make(CryptMethod method, int number, int generation) const {
    switch (method) {
    case CryptMethod::Identity:
        return nullptr;
    case CryptMethod::Rc4:
        // key_ is zero beyond keyLength_, so the extended key is just a longer view of it.
        return std::make_unique<ObjectDecryptor>(key_, zeroExtendedRc4_ || keyLength_ > 16 ? 16 : keyLength_,
                                                 number, generation);
    case CryptMethod::AesV2: {
        // The object key of RC4 with "sAlT" appended before hashing; AES takes all 16 bytes.
        uint8_t material[kMaxObjectKeyMaterial + 4];
        int n = objectKeyMaterial(key_, keyLength_ > 16 ? 16 : keyLength_, number, generation, material);
        std::memcpy(material + n, "sAlT", 4);
        uint8_t objectKey[16];
        Md5::digest(material, static_cast<size_t>(n + 4), objectKey);
        return std::make_unique<AesCbcDecryptor>(objectKey, 16);
    }
    case CryptMethod::AesV3:
        // One key for every object.
        return std::make_unique<AesCbcDecryptor>(key_, 32);
    }
    return nullptr;
}

std::unique_ptr<StreamDecryptor> StandardObjectCipher::forObject(int number, int generation) const {
    return make(filters_.strings, number, generation);
}

std::unique_ptr<StreamDecryptor> StandardObjectCipher::forStream(int number, int generation,
                                                                 const PdfDict* dict) const {
    if (dict) {
        if (firstOf(dict->lookup("Filter")).isName("Crypt")) {
            PdfObject params = firstOf(dict->lookup("DecodeParms"));
            PdfObject name = params.dictLookup("Name");
            const char* filterName = name.isName() ? name.getName() : "Identity";
            if (const CryptMethod* method = filters_.find(filterName)) return make(*method, number, generation);
            reportError(-1, "Unknown crypt filter '%s'", filterName);
        } else if (!encryptMetadata_ && dict->lookup("Type").isName("Metadata")) {
            return nullptr;
        }
    }
    return make(filters_.streams, number, generation);
}

}  // namespace qm
