#pragma once
// Unicode value -> byte sequence in one output encoding ("Latin1", "Symbol", a file's).
// Shared by plain reference counts; the settings hold the built-in ones and a cache of
// those read from unicodeMap files.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/pdf_string.h"

namespace qm {

// Unicode start..end map to consecutive codes from `code`, written as nBytes bytes, most
// significant first.
struct UnicodeMapRange {
    uint16_t start;
    uint16_t end;
    uint32_t code;
    uint32_t nBytes;
};

// One Unicode value whose code is longer than a range entry can hold.
struct UnicodeMapExtended {
    uint16_t unicode;
    uint8_t code[16];
    int nBytes;
};

// Writes the bytes for u when they fit in `size`; returns their count, else 0.
using UnicodeEncoder = int (*)(uint32_t u, uint8_t* out, int size);

enum class UnicodeMapKind { File = 0, Table = 1, Function = 2 };

class UnicodeMap {
public:
    // A map over a static range table (sorted by start); the table is not copied.
    static UnicodeMap* makeTable(const char* name, const UnicodeMapRange* ranges, int count);
    static UnicodeMap* makeFunction(const char* name, UnicodeEncoder encoder);
    // Reads unicodeMap file lines; bad ones are reported and skipped, so a map always
    // results (possibly empty).
    static UnicodeMap* readFile(const char* encodingName, FILE* file);

    UnicodeMap(const UnicodeMap&) = delete;
    UnicodeMap& operator=(const UnicodeMap&) = delete;

    // Number of bytes written to `out`: 0 when u is unmapped or its bytes need more room.
    int mapUnicode(uint32_t u, uint8_t* out, int size) const;

    const PdfString& encodingName() const { return encodingName_; }
    UnicodeMapKind kind() const { return kind_; }
    int rangeCount() const { return rangeCount_; }
    int extendedCount() const { return static_cast<int>(extended_.size()); }
    // Cache key test.
    bool matches(const char* encodingName) const { return encodingName_ == encodingName; }

    void addRef() { ++refCount_; }
    // Destroys the map when the last reference goes.
    void release();
    int refCount() const { return refCount_; }

private:
    UnicodeMap(const char* name, UnicodeMapKind kind);
    ~UnicodeMap() = default;

    PdfString encodingName_;
    UnicodeMapKind kind_;
    const UnicodeMapRange* ranges_ = nullptr;
    int rangeCount_ = 0;
    UnicodeEncoder encoder_ = nullptr;
    std::vector<UnicodeMapRange> ownedRanges_;  // file maps only
    std::vector<UnicodeMapExtended> extended_;  // file maps only
    int refCount_ = 1;
};

}  // namespace qm
