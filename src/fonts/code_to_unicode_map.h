#pragma once
// Character code (simple fonts) or CID (composite fonts) -> one or more Unicode values.
// Built from a font's ToUnicode stream, a collection's cidToUnicode file, or a 256-entry
// table of a simple font's glyph names. Shared by plain reference counts.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/pdf_string.h"

namespace qm {

class CodeToUnicodeMap {
public:
    // Reads the text of a ToUnicode CMap with 8- or 16-bit codes. Bad entries are reported and
    // skipped, so a map always results. A "usecmap" reads the named file from the
    // toUnicodeDir folders of the process-wide settings into the same map.
    static CodeToUnicodeMap* parseToUnicode(std::string_view text, int nBits);
    // One hexadecimal Unicode value per line, line 1 for CID 0.
    static CodeToUnicodeMap* readCidToUnicode(const char* collection, FILE* file);
    static CodeToUnicodeMap* makeFromTable(const uint16_t table[256]);

    CodeToUnicodeMap(const CodeToUnicodeMap&) = delete;
    CodeToUnicodeMap& operator=(const CodeToUnicodeMap&) = delete;

    // Writes at most `size` values for the code; returns their count (0 when unmapped).
    int lookup(uint32_t code, uint16_t* out, int size) const;

    unsigned mapLen() const { return static_cast<unsigned>(map_.size()); }
    int multiCount() const { return static_cast<int>(multi_.size()); }
    // Set only for maps read from cidToUnicode files.
    const PdfString* collection() const { return hasCollection_ ? &collection_ : nullptr; }
    // Cache key test.
    bool matches(const char* collection) const { return hasCollection_ && collection_ == collection; }

    void addRef() { ++refCount_; }
    void release();
    int refCount() const { return refCount_; }

    static constexpr int kMaxMultiLength = 8;
    // Nested usecmap reads followed in ToUnicode maps.
    static constexpr int kMaxUseDepth = 8;
    // Multi entries one map keeps: every 16-bit code once.
    static constexpr size_t kMaxMultiEntries = 65536;

private:
    struct Multi {
        uint32_t code;
        uint16_t values[kMaxMultiLength];
        int length;
    };

    CodeToUnicodeMap() = default;
    ~CodeToUnicodeMap() = default;

    void parseLines(std::string_view text, int nBits, int depth);
    struct Tokens {
        std::vector<std::string_view> text;
        std::vector<bool> lineStart;  // per token: the first of its line
    };
    static void splitTokens(std::string_view text, Tokens& tokens);
    void parseTokens(const Tokens& tokens, int nDigits, int depth);
    // Reads the named map file (or collection table) into this map.
    void useCMap(const std::string& name, int nDigits, int depth);
    void addChar(std::string_view codeToken, std::string_view dest, size_t digits);
    // False when the destination does not read as hexadecimal.
    bool addRange(uint32_t code, uint32_t last, std::string_view dest);
    void growTo(uint32_t code);
    // Reads "<collection>-UCS2" from the collection's cidToUnicode table; false when the
    // name is not of that form or the collection has no table.
    bool useCollectionTable(const std::string& name);
    // Adds the entry unless its code already has one (the first entry of a code is the one
    // lookups give) or the map holds kMaxMultiEntries.
    void addMulti(const Multi& m);

    std::vector<uint16_t> map_;
    std::vector<Multi> multi_;
    std::vector<uint32_t> multiSlot_;  // per code: 1 + index of its multi entry, or 0
    bool multiFull_ = false;
    bool hasCollection_ = false;
    PdfString collection_;
    int refCount_ = 1;
    enum class Block { None, BfChar, BfRange } block_ = Block::None;
};

}  // namespace qm
