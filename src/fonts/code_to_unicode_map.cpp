#include "fonts/code_to_unicode_map.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "core/report_error.h"
#include "fonts/global_settings.h"
#include "fonts/text_lines.h"

namespace qm {

namespace {

constexpr size_t kMaxLineLength = 255;
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
    map->indexMulti();
    return map;
}

void CodeToUnicodeMap::parseLines(std::string_view text, int nBits, int depth) {
    const int nDigits = nBits == 8 ? 2 : 4;
    Block outer = block_;
    block_ = Block::None;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, std::min(end - pos, kMaxLineLength));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        parseLine(line, nDigits, depth);
    }
    block_ = outer;
}

void CodeToUnicodeMap::parseLine(std::string_view line, int nDigits, int depth) {
    std::vector<std::string_view> f;
    splitFields(line, f);
    if (f.size() > 3) f.resize(3);
    if (f.empty() || f[0][0] == '%') return;
    const size_t digits = static_cast<size_t>(nDigits);
    uint32_t code, last;

    if (block_ == Block::BfChar) {
        if (f[0] == "endbfchar") {
            block_ = Block::None;
        } else if (f.size() < 2) {
            reportError(-1, "Illegal bfchar block in ToUnicode CPDFMap");
        } else if (!readCode(f[0], digits, &code) || !isBracketed(f[1])) {
            reportError(-1, "Illegal line in bfchar block in ToUnicode CMap");
        } else {
            growTo(code);
            if (f[1].size() == 6) {
                uint16_t value;
                if (readGroup(f[1], 0, &value)) map_[code] = value;
                else reportError(-1, "Illegal line in bfchar block in ToUnicode CPDFMap");
                return;
            }
            map_[code] = 0;
            Multi m{code, {}, std::min<int>(static_cast<int>((f[1].size() - 2) / 4), kMaxMultiLength)};
            for (int j = 0; j < m.length; ++j) {
                if (!readGroup(f[1], static_cast<size_t>(j), &m.values[j])) {
                    reportError(-1, "Illegal line in bfchar block in ToUnicode CPDFMap");
                    m.values[j] = 0;
                }
            }
            if (multi_.size() == multi_.capacity()) multi_.reserve(multi_.size() + 8);
            multi_.push_back(m);
        }
        return;
    }

    if (block_ == Block::BfRange) {
        if (f[0] == "endbfrange") {
            block_ = Block::None;
        } else if (f.size() < 3) {
            reportError(-1, "Illegal bfrange block in ToUnicode CPDFMap");
        } else if (!readCode(f[0], digits, &code) || !readCode(f[1], digits, &last) || !isBracketed(f[2])) {
            reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
        } else if (last >= code) {
            growTo(last);
            if (f[2].size() == 6) {
                uint16_t value;
                if (!readGroup(f[2], 0, &value)) {
                    reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
                    return;
                }
                for (uint32_t c = code; c <= last; ++c) map_[c] = static_cast<uint16_t>(value + (c - code));
                return;
            }
            Multi m{0, {}, std::min<int>(static_cast<int>((f[2].size() - 2) / 4), kMaxMultiLength)};
            for (int j = 0; j < m.length; ++j) {
                if (!readGroup(f[2], static_cast<size_t>(j), &m.values[j])) {
                    reportError(-1, "Illegal line in bfrange block in ToUnicode CPDFMap");
                    return;
                }
            }
            const size_t count = last - code + 1;
            if (multi_.size() + count > multi_.capacity()) multi_.reserve((multi_.size() + count + 7) / 8 * 8);
            for (uint32_t c = code; c <= last; ++c) {
                map_[c] = 0;
                Multi entry = m;
                entry.code = c;
                if (entry.length > 0)
                    entry.values[entry.length - 1] = static_cast<uint16_t>(m.values[m.length - 1] + (c - code));
                multi_.push_back(entry);
            }
        }
        return;
    }

    if (f.size() >= 2 && f[1] == "usecmap") {
        if (f[0][0] != '/') return;
        std::string name(f[0].substr(1));
        FilePtr file;
        if (globalSettings && depth < kMaxUseDepth) file = globalSettings->findToUnicodeFile(name.c_str());
        if (!file) {
            reportError(-1, "Couldn't find ToUnicode CPDFMap file for '%s'", name.c_str());
            return;
        }
        std::string text;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) text.append(buffer, n);
        parseLines(text, nDigits * 4, depth + 1);
    } else if (f.size() >= 2 && f[1] == "beginbfchar") {
        block_ = Block::BfChar;
    } else if (f.size() >= 2 && f[1] == "beginbfrange") {
        block_ = Block::BfRange;
    }
}

void CodeToUnicodeMap::growTo(uint32_t code) {
    if (code < map_.size()) return;
    map_.resize((code + 256) & ~255u, 0);
}

void CodeToUnicodeMap::indexMulti() {
    multiIndex_.clear();
    multiIndex_.reserve(multi_.size());
    for (size_t i = 0; i < multi_.size(); ++i) multiIndex_.emplace_back(multi_[i].code, static_cast<uint32_t>(i));
    std::sort(multiIndex_.begin(), multiIndex_.end());
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
    auto it = std::lower_bound(multiIndex_.begin(), multiIndex_.end(), std::make_pair(code, 0u));
    if (it == multiIndex_.end() || it->first != code) return 0;
    const Multi& m = multi_[it->second];
    const int n = std::min(m.length, size);
    for (int i = 0; i < n; ++i) out[i] = m.values[i];
    return n;
}

}  // namespace qm
