#include "core/encryption_dict.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"

namespace qm {

namespace {

std::string bytesOf(const PdfObject& o) {
    if (!o.isString()) return {};
    return std::string(o.getString()->view());
}

bool stringAtLeast(const PdfObject& o, int length) { return o.isString() && o.getString()->length() >= length; }

// A crypt filter's Length: writers give it in bits or in bytes; anything else is ignored.
int keyBytes(const PdfObject& length, int fallback) {
    if (!length.isInt()) return fallback;
    int n = length.getInt();
    if (n >= 40 && n <= 256 && n % 8 == 0) return n / 8;
    if (n >= 5 && n <= 32) return n;
    return fallback;
}

// The crypt filters of versions 4 and 5: every entry of CF with a method we know, and the
// filters StmF and StrF name. Sets the file key length from the filters used.
bool readCryptFilters(const PdfObject& encrypt, EncryptionSetup* out) {
    const int version = out->enc.version;
    PdfObject cf = encrypt.dictLookup("CF");
    int keyLength = version == 5 ? 32 : keyBytes(encrypt.dictLookup("Length"), 16);
    std::vector<std::pair<std::string, std::string>> unknown;  // filter name, method name
    if (cf.isDict()) {
        const PdfDict* dict = cf.getDict();
        for (int i = 0; i < dict->length(); ++i) {
            PdfObject filter = dict->lookup(dict->keyAt(i));
            PdfObject cfm = filter.dictLookup("CFM");
            const char* name = cfm.isName() ? cfm.getName() : "None";
            CryptMethod method;
            if (std::string_view(name) == "None") {
                method = CryptMethod::Identity;
            } else if (std::string_view(name) == "V2" && version == 4) {
                method = CryptMethod::Rc4;
                keyLength = keyBytes(filter.dictLookup("Length"), keyLength);
            } else if (std::string_view(name) == "AESV2" && version == 4) {
                method = CryptMethod::AesV2;
            } else if (std::string_view(name) == "AESV3" && version == 5) {
                method = CryptMethod::AesV3;
            } else {
                // Reported only when the document uses it.
                unknown.emplace_back(dict->keyAt(i), name);
                continue;
            }
            out->filters.named.emplace_back(dict->keyAt(i), method);
        }
    }
    auto choose = [&](const char* key, CryptMethod* target) {
        PdfObject name = encrypt.dictLookup(key);
        const char* filterName = name.isName() ? name.getName() : "Identity";
        for (const auto& [filterKey, methodName] : unknown) {
            if (filterKey == filterName) {
                reportError(-1, "Unsupported crypt filter method '%s' of Standard security handler",
                            methodName.c_str());
                return false;
            }
        }
        const CryptMethod* method = out->filters.find(filterName);
        if (!method) {
            reportError(-1, "Unknown crypt filter '%s' of Standard security handler", filterName);
            return false;
        }
        *target = *method;
        return true;
    };
    if (!choose("StmF", &out->filters.streams) || !choose("StrF", &out->filters.strings)) return false;
    if (out->filters.streams == CryptMethod::AesV2 || out->filters.strings == CryptMethod::AesV2) keyLength = 16;
    out->enc.keyLength = keyLength;
    return true;
}

}  // namespace

bool readEncryptDict(const PdfObject& encrypt, const PdfObject& trailer, EncryptionSetup* out) {
    PdfObject filter = encrypt.dictLookup("Filter");
    if (!filter.isName("Standard")) {
        reportError(-1, "Unknown security handler '%s'", filter.isName() ? filter.getName() : "???");
        return false;
    }
    PdfObject v = encrypt.dictLookup("V"), r = encrypt.dictLookup("R"), p = encrypt.dictLookup("P");
    PdfObject o = encrypt.dictLookup("O"), u = encrypt.dictLookup("U");
    PdfObject id = trailer.dictLookup("ID");
    if (!v.isInt() || !r.isInt() || !p.isInt() || !o.isString() || !u.isString()) {
        reportError(-1, "Weird encryption info");
        return false;
    }
    StandardEncryption& enc = out->enc;
    enc.version = v.getInt();
    enc.revision = r.getInt();
    enc.permissions = p.getInt();
    const bool rc4Only = (enc.version == 1 || enc.version == 2) && (enc.revision == 2 || enc.revision == 3);
    const bool aes128 = enc.version == 4 && enc.revision == 4;
    const bool aes256 = enc.version == 5 && (enc.revision == 5 || enc.revision == 6);
    // The 48-byte entries of AES-256 carry their own salts; the older revisions mix the ID
    // into the key.
    if (aes256 ? !stringAtLeast(o, 48) || !stringAtLeast(u, 48)
               : o.getString()->length() != 32 || u.getString()->length() != 32 || !id.isArray()) {
        reportError(-1, "Weird encryption info");
        return false;
    }
    if (!rc4Only && !aes128 && !aes256) {
        reportError(-1, "Unsupported version/revision (%d/%d) of Standard security handler", enc.version,
                    enc.revision);
        return false;
    }
    PdfObject firstId = id.arrayGet(0);
    if (!aes256 && !firstId.isString()) {
        reportError(-1, "Weird encryption info");
        return false;
    }
    enc.owner = bytesOf(o);
    enc.user = bytesOf(u);
    enc.fileId = bytesOf(firstId);
    PdfObject metadata = encrypt.dictLookup("EncryptMetadata");
    enc.encryptMetadata = !(enc.version >= 4 && metadata.isBool() && !metadata.getBool());
    if (rc4Only) {
        // Normally bits; a value no bit count can be (5 to 16) is a count of bytes.
        PdfObject length = encrypt.dictLookup("Length");
        enc.keyLength = !length.isInt() ? 5 : length.getInt() >= 5 && length.getInt() <= 16 ? length.getInt()
                                                                                              : length.getInt() / 8;
        out->filters = CryptFilters{};
        return true;
    }
    if (aes256) {
        PdfObject oe = encrypt.dictLookup("OE"), ue = encrypt.dictLookup("UE");
        if (!stringAtLeast(oe, 32) || !stringAtLeast(ue, 32)) {
            reportError(-1, "Weird encryption info");
            return false;
        }
        enc.ownerKey = bytesOf(oe);
        enc.userKey = bytesOf(ue);
        enc.perms = bytesOf(encrypt.dictLookup("Perms"));
    }
    return readCryptFilters(encrypt, out);
}

}  // namespace qm
