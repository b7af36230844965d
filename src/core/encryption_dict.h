#pragma once
// Reading a document's Encrypt dictionary for the standard security handler: its kind
// checks, versions 1 to 5, and the crypt filters of versions 4 and 5.
#include "core/pdf_object.h"
#include "core/security_handler.h"
#include "core/standard_cipher.h"

namespace qm {

struct EncryptionSetup {
    StandardEncryption enc;
    CryptFilters filters;
};

// Fills `out` from `encrypt` (a dictionary) and the trailer's ID. On failure reports why
// ("Unknown security handler '%s'", "Weird encryption info", the version message, or an
// unknown crypt filter or method) and returns false.
bool readEncryptDict(const PdfObject& encrypt, const PdfObject& trailer, EncryptionSetup* out);

}  // namespace qm
