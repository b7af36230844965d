#include "fonts/truetype_font_reader.h"

#include <cstring>
#include <vector>

#include "core/report_error.h"
#include "fonts/cff_tables.h"

namespace qm {

namespace {

constexpr uint32_t kPostVersion2 = 0x00020000;
constexpr uint32_t kSymbolBase = 0xF000;

}  // namespace

TrueTypeFontReader::TrueTypeFontReader(const uint8_t* data, size_t size) : bytes_(data, size) {
    bool found = true;
    for (const char* tag : {"head", "hhea", "loca", "maxp", "glyf", "hmtx"}) {
        bool present = false;
        table(tag, &present);
        found = found && present;
    }
    if (!found) {
        reportError(-1, "TrueType font file is missing a required table");
        return;
    }
    FontBytes head = table("head");
    for (int i = 0; i < 4; ++i) bbox_[i] = head.s16(36 + 2 * i);
    indexToLocFormat_ = head.s16(50);
    glyphCount_ = table("maxp").u16(4);
    hasMetrics_ = true;
}

FontBytes TrueTypeFontReader::table(const char* tag, bool* found) const {
    if (found) *found = false;
    int count = bytes_.u16(4);
    for (int i = 0; i < count; ++i) {
        size_t entry = 12 + 16 * static_cast<size_t>(i);
        if (!bytes_.has(entry, 16)) break;
        if (std::memcmp(bytes_.data() + entry, tag, 4) != 0) continue;
        if (found) *found = true;
        return bytes_.sub(bytes_.u32(entry + 8), bytes_.u32(entry + 12));
    }
    return {};
}

const char* const* TrueTypeFontReader::encoding() {
    if (!built_) {
        built_ = true;
        uint16_t glyphs[256] = {};
        mapCodes(glyphs);
        nameGlyphs(glyphs);
    }
    return encoding_;
}

namespace {

// Fills glyphs[code] for the codes base..base+255 of a format 4 subtable; false when none
// of them is covered.
bool mapSegments(const FontBytes& sub, uint32_t base, uint16_t glyphs[256]) {
    const size_t segCountX2 = sub.u16(6);
    const size_t ends = 14, starts = 16 + segCountX2, deltas = 16 + 2 * segCountX2,
                 rangeOffsets = 16 + 3 * segCountX2;
    bool any = false;
    for (size_t seg = 0; seg < segCountX2 / 2; ++seg) {
        if (!sub.has(rangeOffsets + 2 * seg, 2)) break;
        uint32_t end = sub.u16(ends + 2 * seg);
        uint32_t start = sub.u16(starts + 2 * seg);
        uint16_t delta = sub.u16(deltas + 2 * seg);
        uint16_t rangeOffset = sub.u16(rangeOffsets + 2 * seg);
        uint32_t lo = start > base ? start : base;
        uint32_t hi = end < base + 255 ? end : base + 255;
        for (uint32_t c = lo; c <= hi; ++c) {
            uint16_t glyph;
            if (rangeOffset != 0) {
                glyph = sub.u16(rangeOffsets + 2 * seg + rangeOffset + 2 * (c - start));
                if (glyph != 0) glyph = static_cast<uint16_t>(glyph + delta);
            } else {
                glyph = static_cast<uint16_t>(c + delta);
            }
            glyphs[c - base] = glyph;
            any = true;
        }
    }
    return any;
}

}  // namespace

void TrueTypeFontReader::mapCodes(uint16_t glyphs[256]) const {
    FontBytes cmap = table("cmap");
    const int count = cmap.u16(2);
    if (count == 0) return;
    size_t chosen = 0;
    bool symbol = false;
    for (int i = 0; i < count && cmap.has(4 + 8 * static_cast<size_t>(i), 8); ++i) {
        size_t record = 4 + 8 * static_cast<size_t>(i);
        if (i == 0) chosen = record;
        if (cmap.u16(record) == 3 && cmap.u16(record + 2) == 0) {
            chosen = record;
            symbol = true;
            break;
        }
    }
    if (chosen == 0) return;
    FontBytes sub = cmap.sub(cmap.u32(chosen + 4), cmap.size());
    const int format = sub.u16(0);
    switch (format) {
    case 0: {
        const size_t length = sub.u16(2);
        for (size_t code = 0; code < 256 && code < length && sub.has(6 + code, 1); ++code)
            glyphs[code] = sub.u8(6 + code);
        break;
    }
    case 4:
        // Symbol fonts put their one-byte codes at U+F000-U+F0FF; a few put them at the codes
        // themselves, which is where the lookup goes when the private range is empty.
        if (!symbol || !mapSegments(sub, kSymbolBase, glyphs)) mapSegments(sub, 0, glyphs);
        break;
    case 6: {
        const uint32_t first = sub.u16(6), entries = sub.u16(8);
        for (uint32_t i = 0; i < entries && first + i < 256 && sub.has(10 + 2 * i, 2); ++i)
            glyphs[first + i] = sub.u16(10 + 2 * i);
        break;
    }
    default:
        reportError(-1, "Unimplemented cmap format (%d) in TrueType font file", format);
        break;
    }
}

void TrueTypeFontReader::nameGlyphs(const uint16_t glyphs[256]) {
    bool hasPost = false;
    FontBytes post = table("post", &hasPost);
    if (!hasPost || post.u32(0) != kPostVersion2) {
        for (int code = 0; code < 256; ++code)
            encoding_[code] = glyphs[code] < kMacGlyphNameCount ? kMacGlyphNames[glyphs[code]] : ".notdef";
        return;
    }
    // The index array holds the post table's own count of entries; glyphs past it, or past
    // the font's glyph count, have no name.
    bool hasMaxp = false;
    FontBytes maxp = table("maxp", &hasMaxp);
    const uint32_t postCount = post.u16(32);
    const uint32_t limit = hasMaxp && maxp.u16(4) < postCount ? maxp.u16(4) : postCount;
    std::vector<size_t> strings;  // positions of the length-prefixed names, found once
    bool stringsRead = false;
    for (int code = 0; code < 256; ++code) {
        const uint32_t glyph = glyphs[code];
        const char* name = ".notdef";
        if (glyph < limit) {
            const uint32_t index = post.u16(34 + 2 * glyph);
            if (index < kMacGlyphNameCount) {
                name = kMacGlyphNames[index];
            } else {
                if (!stringsRead) {
                    stringsRead = true;
                    for (size_t pos = 34 + 2 * static_cast<size_t>(postCount); post.has(pos, 1);
                         pos += 1 + post.u8(pos))
                        strings.push_back(pos);
                }
                const size_t entry = index - kMacGlyphNameCount;
                if (entry < strings.size()) {
                    const size_t pos = strings[entry];
                    name = names_.add(post.text(pos + 1, post.u8(pos)));
                }
            }
        }
        encoding_[code] = name;
    }
}

}  // namespace qm
