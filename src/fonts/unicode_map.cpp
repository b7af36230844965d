#include "fonts/unicode_map.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>

#include "core/report_error.h"
#include "fonts/text_lines.h"

namespace qm {

namespace {

constexpr int kMaxLineLength = 255;
constexpr size_t kMaxRangeCodeDigits = 8;  // 4 bytes
constexpr size_t kMaxExtendedCodeDigits = 2 * sizeof(UnicodeMapExtended::code);

bool parseUnicode(std::string_view text, uint16_t* u) {
    uint32_t v;
    if (!parseHex(text, &v) || v > 0xFFFF) return false;
    *u = static_cast<uint16_t>(v);
    return true;
}

// A code field: an even number of hexadecimal digits.
bool evenHex(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

UnicodeMap::UnicodeMap(const char* name, UnicodeMapKind kind) : encodingName_(name), kind_(kind) {}

UnicodeMap* UnicodeMap::makeTable(const char* name, const UnicodeMapRange* ranges, int count) {
    auto* map = new UnicodeMap(name, UnicodeMapKind::Table);
    map->ranges_ = ranges;
    map->rangeCount_ = count;
    return map;
}

UnicodeMap* UnicodeMap::makeFunction(const char* name, UnicodeEncoder encoder) {
    auto* map = new UnicodeMap(name, UnicodeMapKind::Function);
    map->encoder_ = encoder;
    return map;
}

UnicodeMap* UnicodeMap::readFile(const char* encodingName, FILE* file) {
    auto* map = new UnicodeMap(encodingName, UnicodeMapKind::File);
    if (!file) return map;
    LineReader reader(file, kMaxLineLength);
    std::string line;
    std::vector<std::string_view> f;
    while (reader.next(line)) {
        splitFields(line, f);
        if (f.empty() && !reader.tooLong()) continue;
        bool ok = !reader.tooLong() && (f.size() == 2 || f.size() == 3);
        UnicodeMapRange r{};
        std::string_view code = ok ? f.back() : std::string_view();
        ok = ok && parseUnicode(f[0], &r.start) && parseUnicode(f[f.size() - 2], &r.end) &&
             r.start <= r.end && evenHex(code);
        if (ok && code.size() <= kMaxRangeCodeDigits) {
            parseHex(code, &r.code);
            r.nBytes = static_cast<uint32_t>(code.size() / 2);
            map->ownedRanges_.push_back(r);
        } else if (ok && f.size() == 2 && code.size() <= kMaxExtendedCodeDigits) {
            UnicodeMapExtended e{};
            e.unicode = r.start;
            e.nBytes = static_cast<int>(code.size() / 2);
            for (int i = 0; i < e.nBytes; ++i) {
                uint32_t byte;
                parseHex(code.substr(static_cast<size_t>(2 * i), 2), &byte);
                e.code[i] = static_cast<uint8_t>(byte);
            }
            map->extended_.push_back(e);
        } else {
            reportError(-1, "Bad line (%d) in unicodeMap file for the '%s' encoding", reader.lineNumber(),
                        encodingName);
        }
    }
    // The search below needs ranges in order of start; files are meant to list them so,
    // and a stable sort keeps that order for equal starts when they do.
    std::stable_sort(map->ownedRanges_.begin(), map->ownedRanges_.end(),
                     [](const UnicodeMapRange& a, const UnicodeMapRange& b) { return a.start < b.start; });
    map->ranges_ = map->ownedRanges_.data();
    map->rangeCount_ = static_cast<int>(map->ownedRanges_.size());
    return map;
}

int UnicodeMap::mapUnicode(uint32_t u, uint8_t* out, int size) const {
    if (encoder_) return encoder_(u, out, size);
    if (rangeCount_ > 0 && u >= ranges_[0].start) {
        int lo = 0, hi = rangeCount_;
        while (hi - lo > 1) {
            int mid = (lo + hi) / 2;
            if (u < ranges_[mid].start)
                hi = mid;
            else
                lo = mid;
        }
        const UnicodeMapRange& r = ranges_[lo];
        if (u <= r.end) {
            int n = static_cast<int>(r.nBytes);
            if (n > size) return 0;
            uint32_t code = r.code + (u - r.start);
            for (int i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(code >> (8 * (n - 1 - i)));
            return n;
        }
    }
    // Long codes live apart from the ranges, so they are searched whenever no range
    // holds u, below the first range as well.
    for (const UnicodeMapExtended& e : extended_) {
        if (e.unicode != u) continue;
        if (e.nBytes > size) return 0;
        std::memcpy(out, e.code, static_cast<size_t>(e.nBytes));
        return e.nBytes;
    }
    return 0;
}

void UnicodeMap::release() {
    if (--refCount_ == 0) delete this;
}

}  // namespace qm
