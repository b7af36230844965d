#include "fonts/code_to_unicode_map.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "core/report_error.h"
#include "fonts/global_settings.h"
#include "fonts/text_lines.h"

namespace qm {

namespace {

constexpr int kMaxCidLineLength = 63;

// "<hex>" of exactly `digits` hexadecimal digits.
bool readCode(std::string_view token, size_t digits, uint32_t* code) {
    if (token.size() != digits + 2 || token.front() != '<' || token.back() != '>') return false;
    return parseHex(token.substr(1, digits), code);
}

bool isBracketed(std::string_view token) {
    return token.size() >= 2 && token.front() == '<' && token.back() == '>';
}

bool readGroup(std::string_view token, size_t group, uint16_t* value) {
    uint32_t v;
    if (!parseHex(token.substr(1 + 4 * group, 4), &v)) return false;
    *value = static_cast<uint16_t>(v);
    return true;
}

}  // namespace

void CodeToUnicodeMap::release() {
    if (--refCount_ == 0) delete this;
}

CodeToUnicodeMap* CodeToUnicodeMap::makeFromTable(const uint16_t table[256]) {
    CodeToUnicodeMap* map = new CodeToUnicodeMap;
    map->map_.assign(table, table + 256);
    return map;
}

CodeToUnicodeMap* CodeToUnicodeMap::parseToUnicode(std::string_view text, int nBits) {
    CodeToUnicodeMap* map = new CodeToUnicodeMap;
    map->map_.assign(256, 0);
    map->parseLines(text, nBits, 0);
    return map;
}

void CodeToUnicodeMap::parseLines(std::string_view text, int nBits, int depth) {
    const int nDigits = nBits == 8 ? 2 : 4;
    Block outer = block_;
    block_ = Block::None;
    Tokens tokens;
    splitTokens(text, tokens);
    parseTokens(tokens, nDigits, depth);
    block_ = outer;
}

// Splits at blanks, and around "<...>" strings and array brackets, so that entries written
// without spaces ("<21><21><003a>") still come apart; a '%' starts a comment to the end of
// its line. Each token notes whether it starts a line.
void CodeToUnicodeMap::splitTokens(std::string_view line, Tokens& tokens) {
    tokens.text.clear();
    tokens.lineStart.clear();
    bool lineStart = true;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; };
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        for (; i < n && blank(line[i]); ++i)
            if (line[i] == '\r' || line[i] == '\n') lineStart = true;
        if (i >= n) break;
        if (line[i] == '%') {
            while (i < n && line[i] != '\r' && line[i] != '\n') ++i;
            continue;
        }
        const size_t start = i;
        if (line[i] == '<') {
            while (i < n && line[i] != '>' && !blank(line[i])) ++i;
            if (i < n && line[i] == '>') ++i;
        } else if (line[i] == '[' || line[i] == ']') {
            ++i;
        } else {
            while (i < n && !blank(line[i]) && line[i] != '<' && line[i] != '[' && line[i] != ']' && line[i] != '%') ++i;
        }
        tokens.text.push_back(line.substr(start, i - start));
        tokens.lineStart.push_back(lineStart);
        lineStart = false;
    }
}

void CodeToUnicodeMap::addChar(std::string_view codeToken, std::string_view dest, size_t digits) {
    uint32_t code;
    if (!readCode(codeToken, digits, &code) || !isBracketed(dest)) {
        reportError(-1, "Illegal line in bfchar block in ToUnicode CMap");
        return;
    }
    growTo(code);
    if (dest.size() == 6) {
        uint16_t value;
        if (readGroup(dest, 0, &value)) map_[code] = value;
        else reportError(-1, "Illegal line in bfchar block in ToUnicode CPDFMap");
        return;
    }
    map_[code] = 0;
    Multi m{code, {}, std::min<int>(static_cast<int>((dest.size() - 2) / 4), kMaxMultiLength)};
    for (int j = 0; j < m.length; ++j) {
        if (!readGroup(dest, static_cast<size_t>(j), &m.values[j])) {
            reportError(-1, "Illegal line in bfchar block in ToUnicode CPDFMap");
            m.values[j] = 0;
        }
    }
    addMulti(m);
}

void CodeToUnicodeMap::addMulti(const Multi& m) {
    // Lookups answer with a code's first multi entry, so later ones for the same code are
    // never seen; keeping one per code bounds the entries by the codes a map can hold.
    if (multiSlot_.size() < map_.size()) multiSlot_.resize(map_.size(), 0);
    uint32_t& slot = multiSlot_[m.code];
    if (slot != 0) return;
    if (multi_.size() >= kMaxMultiEntries) {
        if (!multiFull_) reportError(-1, "Too many entries in ToUnicode CPDFMap");
        multiFull_ = true;
        return;
    }
    multi_.push_back(m);
    slot = static_cast<uint32_t>(multi_.size());
}

bool CodeToUnicodeMap::addRange(uint32_t code, uint32_t last, std::string_view dest) {
    growTo(last);
    if (dest.size() == 6) {
        uint16_t value;
        if (!readGroup(dest, 0, &value)) return false;
        for (uint32_t c = code; c <= last; ++c) map_[c] = static_cast<uint16_t>(value + (c - code));
        return true;
    }
    Multi m{0, {}, std::min<int>(static_cast<int>((dest.size() - 2) / 4), kMaxMultiLength)};
    for (int j = 0; j < m.length; ++j)
        if (!readGroup(dest, static_cast<size_t>(j), &m.values[j])) return false;
    for (uint32_t c = code; c <= last; ++c) {
        map_[c] = 0;
        Multi entry = m;
        entry.code = c;
        if (entry.length > 0) entry.values[entry.length - 1] = static_cast<uint16_t>(m.values[m.length - 1] + (c - code));
        addMulti(entry);
    }
    return true;
}

// Entries may stand several to a line or a whole map on one line; an entry whose parts are
// cut by a line break is illegal, and reading goes on at the next line.
void CodeToUnicodeMap::parseTokens(const Tokens& tokens, int nDigits, int depth) {
    const size_t digits = static_cast<size_t>(nDigits);
    const std::vector<std::string_view>& f = tokens.text;
    auto nextLine = [&](size_t i) {
        for (++i; i < f.size() && !tokens.lineStart[i];) ++i;
        return i;
    };
    for (size_t i = 0; i < f.size();) {
        if (block_ == Block::BfChar) {
            // Code and destination pairs.
            if (f[i] == "endbfchar") {
                block_ = Block::None;
                ++i;
                continue;
            }
            if (i + 1 >= f.size() || tokens.lineStart[i + 1]) {
                reportError(-1, "Illegal bfchar block in ToUnicode CPDFMap");
                i = nextLine(i);
                continue;
            }
            addChar(f[i], f[i + 1], digits);
            i += 2;
            continue;
        }
        if (block_ == Block::BfRange) {
            // Triples of first code, last code and destination: a string, or an array with
            // one destination per code.
            if (f[i] == "endbfrange") {
                block_ = Block::None;
                ++i;
                continue;
            }
            if (i + 2 >= f.size() || tokens.lineStart[i + 1] || tokens.lineStart[i + 2]) {
                reportError(-1, "Illegal bfrange block in ToUnicode CPDFMap");
                i = nextLine(i);
                continue;
            }
            uint32_t code, last;
            const bool codes = readCode(f[i], digits, &code) && readCode(f[i + 1], digits, &last);
            if (f[i + 2] == "[") {
                size_t close = i + 3;
                while (close < f.size() && f[close] != "]" && f[close] != "endbfrange") ++close;
                bool good = codes && close < f.size() && f[close] == "]";
                for (size_t k = i + 3; good && k < close; ++k) good = isBracketed(f[k]);
                if (!good) {
                    reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
                    i = nextLine(i);
                    continue;
                }
                for (size_t k = i + 3; k < close && code <= last; ++k, ++code)
                    if (!addRange(code, code, f[k])) reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
                i = close + 1;
                continue;
            }
            if (!codes || !isBracketed(f[i + 2])) {
                reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
                i = nextLine(i);
                continue;
            }
            if (last >= code && !addRange(code, last, f[i + 2]))
                reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
            i += 3;
            continue;
        }
        if (f[i] == "beginbfchar") {
            block_ = Block::BfChar;
        } else if (f[i] == "beginbfrange") {
            block_ = Block::BfRange;
        } else if (f[i] == "usecmap" && i > 0 && f[i - 1][0] == '/') {
            useCMap(std::string(f[i - 1].substr(1)), nDigits, depth);
        }
        ++i;
    }
}

void CodeToUnicodeMap::useCMap(const std::string& name, int nDigits, int depth) {
    FilePtr file;
    if (globalSettings && depth < kMaxUseDepth) file = globalSettings->findToUnicodeFile(name.c_str());
    if (!file) {
        if (depth < kMaxUseDepth && useCollectionTable(name)) return;
        reportError(-1, "Couldn't find ToUnicode CPDFMap file for '%s'", name.c_str());
        return;
    }
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, n);
    parseLines(text, nDigits * 4, depth + 1);
}

bool CodeToUnicodeMap::useCollectionTable(const std::string& name) {
    // "Adobe-Korea1-UCS2" maps the CIDs of Adobe-Korea1 to UCS-2: the same table as the
    // collection's cidToUnicode file, which is what we ship. Entries the map already has stay.
    constexpr std::string_view kSuffix = "-UCS2";
    if (!globalSettings || name.size() <= kSuffix.size() ||
        std::string_view(name).substr(name.size() - kSuffix.size()) != kSuffix)
        return false;
    const std::string collection = name.substr(0, name.size() - kSuffix.size());
    CodeToUnicodeMap* table = globalSettings->getCidToUnicode(collection.c_str());
    if (!table) return false;
    const uint32_t count = table->mapLen();
    if (count > 0) growTo(count - 1);
    for (uint32_t cid = 0; cid < count; ++cid) {
        const uint16_t value = table->map_[cid];
        if (value != 0 && map_[cid] == 0 && (cid >= multiSlot_.size() || multiSlot_[cid] == 0)) map_[cid] = value;
    }
    table->release();  // the settings' cache keeps its own reference
    return true;
}

void CodeToUnicodeMap::growTo(uint32_t code) {
    if (code < map_.size()) return;
    map_.resize((code + 256) & ~255u, 0);
}

CodeToUnicodeMap* CodeToUnicodeMap::readCidToUnicode(const char* collection, FILE* file) {
    CodeToUnicodeMap* map = new CodeToUnicodeMap;
    map->hasCollection_ = true;
    map->collection_ = PdfString(collection);
    map->map_.reserve(32768);
    LineReader lines(file, kMaxCidLineLength);
    std::string line;
    while (lines.next(line)) {
        size_t digits = 0;
        while (digits < line.size() && digits < 8 && std::isxdigit(static_cast<unsigned char>(line[digits]))) ++digits;
        uint32_t value = 0;
        if (digits == 0 || !parseHex(std::string_view(line).substr(0, digits), &value)) {
            reportError(-1, "Bad line (%d) in cidToUnicode file for the '%s' collection", lines.lineNumber(),
                        collection);
            value = 0;
        }
        if (map->map_.size() == map->map_.capacity()) map->map_.reserve(map->map_.size() * 2);
        map->map_.push_back(static_cast<uint16_t>(value));
    }
    return map;
}

int CodeToUnicodeMap::lookup(uint32_t code, uint16_t* out, int size) const {
    if (code >= map_.size() || size <= 0) return 0;
    if (map_[code]) {
        out[0] = map_[code];
        return 1;
    }
    if (code >= multiSlot_.size() || multiSlot_[code] == 0) return 0;
    const Multi& m = multi_[multiSlot_[code] - 1];
    const int n = std::min(m.length, size);
    for (int i = 0; i < n; ++i) out[i] = m.values[i];
    return n;
}

}  // namespace qm
