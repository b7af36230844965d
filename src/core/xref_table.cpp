#include "core/xref_table.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "core/aes256_keys.h"
#include "core/encryption_dict.h"
#include "core/lexical.h"
#include "core/object_cipher.h"
#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/pdf_lexer.h"
#include "core/pdf_parser.h"
#include "core/report_error.h"
#include "core/security_handler.h"
#include "streams/file_stream.h"

namespace qm {

namespace {

// Real objects make a handful of nested fetches (Length, Filter, DecodeParms of a stream).
constexpr int kMaxNestedFetches = 256;
constexpr int kTrailerSearch = 1024;
constexpr int kEntrySize = 20;
constexpr int kMaxDigits = 20;

using lexical::isDigit;
using lexical::isWhite;

void skipWhite(Stream* in) {
    while (isWhite(in->peekByte())) in->readByte();
}

// Up to kMaxDigits decimal digits; false when there is none. Values saturate far beyond any
// object number or offset a file can hold.
bool readDigits(Stream* in, long* value) {
    long v = 0;
    int n = 0;
    while (n < kMaxDigits && isDigit(in->peekByte())) {
        v = lexical::addDigit(v, in->readByte());
        ++n;
    }
    *value = v;
    return n > 0;
}

// The leading decimal digits of a fixed-width field.
long fieldValue(const unsigned char* p, int width) {
    long v = 0;
    for (int i = 0; i < width && isDigit(p[i]); ++i) v = v * 10 + (p[i] - '0');
    return v;
}

}  // namespace

XrefTable::XrefTable(FileStream* base, const PdfString* ownerPassword, const PdfString* userPassword)
    : base_(base), start_(base->getStart()), fileSize_(base->file()->data->size()),
      ownerPassword_(ownerPassword), userPassword_(userPassword) {
    long pos = 0;
    if (!readLastTrailer(&pos)) {
        if (!reconstruct()) {
            ok_ = false;
            return;
        }
    } else {
        bool good = true;
        std::set<long> visited;
        for (;;) {
            visited.insert(pos);
            long prev = 0;
            bool hasPrev = false;
            if (!readSection(pos, &prev, &hasPrev)) {
                good = false;
                break;
            }
            // A Prev that leads back to a section already read would never end.
            if (!hasPrev || visited.count(prev)) break;
            pos = prev;
        }
        if (!good) {
            entries_.reset(0);
            if (!reconstruct()) {
                ok_ = false;
                return;
            }
        }
    }
    if (!checkEncryption()) ok_ = false;
}

XrefTable::~XrefTable() = default;

Stream* XrefTable::streamAt(long pos) const { return base_->makeSubStream(pos, -1, PdfObject::makeNull()); }

std::unique_ptr<PdfParser> XrefTable::parserAt(long pos) {
    return std::make_unique<PdfParser>(this, std::make_unique<PdfLexer>(this, streamAt(pos)));
}

bool XrefTable::readLastTrailer(long* sectionPos) {
    unsigned char tail[kTrailerSearch];
    long n = fileSize_ < kTrailerSearch ? fileSize_ : kTrailerSearch;
    if (base_->file()->data->readAt(fileSize_ - n, tail, n) != n) return false;
    long at = n - 9;
    while (at >= 0 && std::memcmp(tail + at, "startxref", 9) != 0) --at;
    if (at < 0) return false;
    const char* text = reinterpret_cast<const char*>(tail);
    size_t i = static_cast<size_t>(at) + 9;
    lexical::skipWhite(text, static_cast<size_t>(n), &i);
    long xrefPos = 0;
    if (!lexical::readDecimal(text, static_cast<size_t>(n), &i, &xrefPos) || xrefPos == 0) return false;

    unsigned char buf[35];
    long pos = start_ + xrefPos;
    if (base_->file()->data->readAt(pos, buf, 4) != 4) return false;
    if (std::memcmp(buf, "xref", 4) != 0) {
        // A cross-reference stream: its dictionary is the trailer.
        PdfObject stream = parseXrefStream(xrefPos);
        if (!stream.isStream()) return false;
        return takeTrailer(stream.getStream()->sourceStream()->dictObject(), xrefPos, sectionPos);
    }
    // Step over the subsections without reading their entries to reach the trailer.
    pos += 4;
    for (;;) {
        if (base_->file()->data->readAt(pos, buf, sizeof buf) != static_cast<long>(sizeof buf)) return false;
        if (std::memcmp(buf, "trailer", 7) == 0) break;
        const char* line = reinterpret_cast<const char*>(buf);
        size_t k = 0;
        long first = 0, count = 0;
        lexical::skipWhite(line, sizeof buf, &k);
        lexical::readDecimal(line, sizeof buf, &k, &first);
        lexical::skipWhite(line, sizeof buf, &k);
        lexical::readDecimal(line, sizeof buf, &k, &count);
        lexical::skipWhite(line, sizeof buf, &k);
        if (k == 0 || count > fileSize_ / kEntrySize) return false;
        pos += static_cast<long>(k) + kEntrySize * count;
    }
    return takeTrailer(parserAt(pos + 7)->readObject(), xrefPos, sectionPos);
}

bool XrefTable::takeTrailer(PdfObject trailer, long xrefPos, long* sectionPos) {
    PdfObject size = trailer.dictLookupRaw("Size");
    PdfObject root = trailer.dictLookupRaw("Root");
    if (!trailer.isDict() || !size.isInt() || !root.isRef()) return false;
    // Slots past what the file's entries can fill would stay empty; the sections grow the
    // table when they need more, so a hostile Size cannot claim memory.
    long slots = std::min<long>(size.getInt() < 0 ? 0 : size.getInt(), fileSize_ / kEntrySize + 1);
    entries_.reset(slots);
    rootNum_ = root.getRefNum();
    rootGen_ = root.getRefGen();
    trailer_ = std::move(trailer);
    *sectionPos = xrefPos;
    return true;
}

bool XrefTable::readSection(long pos, long* prev, bool* hasPrev) {
    PdfObject holder = PdfObject::makeStream(streamAt(start_ + pos));
    Stream* in = holder.getStream();
    in->reset();
    skipWhite(in);
    unsigned char keyword[4];
    if (in->readBlock(keyword, 4) != 4 || std::memcmp(keyword, "xref", 4) != 0) {
        in->close();
        return readXrefStream(pos, prev, hasPrev);
    }
    bool good = true;
    sectionFree_.clear();
    while (good) {
        skipWhite(in);
        if (in->peekByte() == 't') {
            auto parser = parserAt(in->position());
            PdfObject keywordObj = parser->readObject();
            PdfObject dict = parser->readObject();
            if (!keywordObj.isCmd("trailer") || !dict.isDict()) {
                good = false;
                break;
            }
            PdfObject p = dict.dictLookupRaw("Prev");
            *hasPrev = p.isInt();
            if (*hasPrev) *prev = p.getInt();
            // A hybrid file's stream section holds what older readers are not meant to see;
            // it comes before the older sections along Prev.
            PdfObject streamPos = dict.dictLookupRaw("XRefStm");
            long ignoredPrev = 0;
            bool ignoredHasPrev = false;
            if (streamPos.isInt() && !readXrefStream(streamPos.getInt(), &ignoredPrev, &ignoredHasPrev, true))
                good = false;
            usesTables_ = true;
            break;
        }
        long first = 0, count = 0;
        if (!readDigits(in, &first)) {
            good = false;
            break;
        }
        skipWhite(in);
        if (!readDigits(in, &count)) {
            good = false;
            break;
        }
        skipWhite(in);
        good = readEntries(in, first, count);
    }
    in->close();
    return good;
}

bool XrefTable::readEntries(Stream* in, long first, long count) {
    if (count > fileSize_ / kEntrySize || first + count > kMaxObjects) return false;
    unsigned char e[kEntrySize];
    for (long k = 0; k < count; ++k) {
        if (in->readBlock(e, kEntrySize) != kEntrySize) return false;
        if (e[17] != 'n' && e[17] != 'f') return false;
        XrefEntry entry{fieldValue(e, 10), static_cast<int>(fieldValue(e + 11, 5)), e[17] == 'n'};
        long slot = first + k;
        if (k == 0 && first == 1 && entry.offset == 0 && entry.generation == 65535 && !entry.used) {
            // A table that numbers its free head entry 1 instead of 0: everything in this
            // subsection belongs one number lower.
            slot = 0;
            first = 0;
        }
        XrefEntry& target = *entries_.slot(slot);
        if (target.offset != -1) continue;
        target = entry;
        if (!entry.used) sectionFree_.insert(slot);
    }
    return true;
}

PdfObject XrefTable::fetch(int number, int generation) {
    const XrefEntry* e = entry(number);
    // A free entry stays free, whatever its offset field holds.
    if (!e || !e->used || e->generation != generation || e->offset < 0) return PdfObject::makeNull();
    FetchGuard guard(this, number, generation);
    if (!guard.admitted()) return PdfObject::makeNull();
    if (e->streamNumber >= 0) return fetchCompressed(number, *e);
    auto parser = parserAt(start_ + e->offset);
    PdfObject num = parser->readObject();
    PdfObject gen = parser->readObject();
    PdfObject keyword = parser->readObject();
    if (num.isInt() && num.getInt() == number && gen.isInt() && gen.getInt() == generation && keyword.isCmd("obj"))
        return parser->readObject(xrefStreamNumbers_.count(number) ? nullptr : cipher_.get(), number, generation);
    return PdfObject::makeNull();
}

XrefTable::FetchGuard::FetchGuard(XrefTable* table, int number, int generation) : table_(table) {
    int& depth = table->fetchDepth_;
    if (depth >= kMaxFetchDepth) return;
    if (depth == 0) {
        table->nestedFetches_ = 0;
    } else if (++table->nestedFetches_ > kMaxNestedFetches) {
        return;
    }
    for (int i = 0; i < depth; ++i)
        if (table->fetching_[i].num == number && table->fetching_[i].gen == generation) return;
    table->fetching_[depth++] = PdfRef{number, generation};
    admitted_ = true;
}

XrefTable::FetchGuard::~FetchGuard() {
    if (admitted_) --table_->fetchDepth_;
}

bool XrefTable::streamEnd(long start, long* end) {
    auto it = std::lower_bound(streamEnds_.begin(), streamEnds_.end(), start);
    if (it == streamEnds_.end()) return false;
    *end = *it;
    return true;
}

bool XrefTable::checkEncryption() {
    permissions_ = 0xFFFC;
    PdfObject encrypt = trailer_.dictLookup("Encrypt");
    if (!encrypt.isDict()) return true;
    encrypted_ = true;
    EncryptionSetup setup;
    if (!readEncryptDict(encrypt, trailer_, &setup)) {
        lockFailure_ = LockFailure::unsupported;
        return false;
    }
    return unlock(setup);
}

// Reads the first two bytes of a few Flate streams near the start of the file as the
// current cipher decrypts them and counts those that begin with a valid zlib header (a wrong
// key passes by chance once in about 500).
XrefTable::StreamProbe XrefTable::probeCompressedStreams() {
    constexpr int kObjects = 400;
    constexpr int kStreams = 6;
    StreamProbe probe;
    const int last = std::min(entries_.size(), kObjects);
    for (int n = 1; n < last && probe.tried < kStreams; ++n) {
        const XrefEntry* e = entries_.find(n);
        if (!e || !e->used || e->streamNumber >= 0 || e->offset < 0 || xrefStreamNumbers_.count(n)) continue;
        PdfObject object = fetch(n, e->generation);
        if (!object.isStream()) continue;
        PdfDict* dict = object.getStream()->dictionary();
        PdfObject filter = dict ? dict->lookup("Filter") : PdfObject::makeNull();
        if (filter.isArray()) filter = filter.arrayGet(0);
        if (!filter.isName("FlateDecode")) continue;
        SourceStream* raw = object.getStream()->sourceStream();
        raw->reset();
        const int cmf = raw->readByte();
        const int flg = raw->readByte();
        raw->close();
        ++probe.tried;
        if (cmf >= 0 && flg >= 0 && (cmf & 0x0f) == 8 && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0)
            ++probe.good;
    }
    return probe;
}

// The standard security handler decides which password opens the file and installs the
// per-object cipher the parser then applies to every string and stream.
bool XrefTable::unlock(const EncryptionSetup& setup) {
    const StandardEncryption& enc = setup.enc;
    const bool aes256 = enc.revision >= 5;
    if (!aes256 && (enc.keyLength < 5 || enc.keyLength > 16)) {
        reportError(-1, "Weird encryption info");
        lockFailure_ = LockFailure::unsupported;
        return false;
    }
    const char* owner = ownerPassword_ ? ownerPassword_->text() : nullptr;
    const char* user = userPassword_ ? userPassword_->text() : nullptr;
    uint8_t key[32];
    bool accepted = aes256 ? computeAes256FileKey(enc, owner, user, key, &ownerAccepted_)
                           : computeFileKey(enc, owner, user, key, &ownerAccepted_);
    if (!accepted) {
        reportError(-1, "Incorrect password");
        const bool given = (owner != nullptr && *owner != '\0') || (user != nullptr && *user != '\0');
        lockFailure_ = given ? LockFailure::wrongPassword : LockFailure::passwordNeeded;
        return false;
    }
    if (owner && !ownerAccepted_) reportError(-1, "Incorrect owner password");
    if (aes256 && !aes256PermsMatch(enc, key))
        reportError(-1, "Encryption permissions do not match the key (continuing anyway)");
    permissions_ = enc.permissions;
    const int keyLength = aes256 ? 32 : enc.keyLength;
    const bool zeroExtended = zeroExtendsShortRc4Keys(enc.revision);
    cipher_ = std::make_unique<StandardObjectCipher>(key, keyLength, setup.filters, enc.encryptMetadata,
                                                     zeroExtended);
    // Writers disagree on how a key under 128 bits makes RC4 object keys. When the usual
    // rule of this revision leaves the compressed streams unreadable and the other one
    // does not, the file was written by the other rule.
    if (!aes256 && keyLength < 16 && setup.filters.usesRc4()) {
        const StreamProbe usual = probeCompressedStreams();
        if (usual.tried > 0 && usual.good * 2 <= usual.tried) {
            std::unique_ptr<ObjectCipher> other = std::make_unique<StandardObjectCipher>(
                key, keyLength, setup.filters, enc.encryptMetadata, !zeroExtended);
            std::swap(cipher_, other);
            const StreamProbe second = probeCompressedStreams();
            if (second.good <= usual.good) {
                std::swap(cipher_, other);
            } else {
                reportError(-1, "RC4 object keys follow the other rule for short keys");
            }
        }
    }
    // A rebuilt table decoded object streams before the cipher existed: those bytes were
    // still encrypted, and so were the verdicts that a stream is unusable and the lists of
    // the objects inside. Decode them again, now decrypted.
    objectStreams_.clear();
    badObjectStreams_.clear();
    if (rebuilt_) registerObjectStreams();
    return true;
}

}  // namespace qm
