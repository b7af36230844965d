#include "font_programs.h"

#include <algorithm>
#include <map>

namespace qm::test {

namespace {

void u16(std::string& s, uint32_t v) {
    s += static_cast<char>((v >> 8) & 0xFF);
    s += static_cast<char>(v & 0xFF);
}
void u32(std::string& s, uint32_t v) {
    u16(s, v >> 16);
    u16(s, v & 0xFFFF);
}

std::string glyphData(const TestGlyph& g) {
    std::string s;
    if (g.contours.empty()) return s;
    int xMin = 32767, yMin = 32767, xMax = -32768, yMax = -32768;
    for (const auto& c : g.contours)
        for (auto [x, y] : c) {
            xMin = std::min(xMin, x), yMin = std::min(yMin, y), xMax = std::max(xMax, x), yMax = std::max(yMax, y);
        }
    u16(s, static_cast<uint32_t>(g.contours.size()));
    u16(s, static_cast<uint16_t>(xMin)), u16(s, static_cast<uint16_t>(yMin));
    u16(s, static_cast<uint16_t>(xMax)), u16(s, static_cast<uint16_t>(yMax));
    int end = -1;
    for (const auto& c : g.contours) u16(s, static_cast<uint32_t>(end += static_cast<int>(c.size())));
    u16(s, 0);  // no instructions
    for (const auto& c : g.contours) s.append(c.size(), '\x01');  // on curve, two-byte deltas
    int last = 0;
    for (const auto& c : g.contours)
        for (auto p : c) u16(s, static_cast<uint16_t>(p.first - last)), last = p.first;
    last = 0;
    for (const auto& c : g.contours)
        for (auto p : c) u16(s, static_cast<uint16_t>(p.second - last)), last = p.second;
    while (s.size() % 4) s += '\0';
    return s;
}

std::string format4(const std::vector<std::pair<uint32_t, uint16_t>>& codes) {
    std::vector<std::pair<uint32_t, uint16_t>> sorted = codes;
    std::sort(sorted.begin(), sorted.end());
    const size_t segs = sorted.size() + 1;
    std::string s;
    u16(s, 4);
    u16(s, static_cast<uint32_t>(16 + 8 * segs));
    u16(s, 0);
    u16(s, static_cast<uint32_t>(2 * segs));
    int power = 1, log = 0;
    while (power * 2 <= static_cast<int>(segs)) power *= 2, ++log;
    u16(s, static_cast<uint32_t>(2 * power)), u16(s, static_cast<uint32_t>(log));
    u16(s, static_cast<uint32_t>(2 * segs - 2 * power));
    for (auto [c, g] : sorted) u16(s, c);
    u16(s, 0xFFFF);
    u16(s, 0);
    for (auto [c, g] : sorted) u16(s, c);
    u16(s, 0xFFFF);
    for (auto [c, g] : sorted) u16(s, (g - c) & 0xFFFF);
    u16(s, 1);
    for (size_t i = 0; i < segs; ++i) u16(s, 0);
    return s;
}

}  // namespace

TestGlyph boxGlyph(int left, int bottom, int right, int top, int advance) {
    TestGlyph g;
    g.advance = advance;
    g.contours.push_back({{left, bottom}, {left, top}, {right, top}, {right, bottom}});
    return g;
}

std::string trueTypeProgram(const std::vector<TestGlyph>& userGlyphs, const std::vector<TestCharmap>& charmaps) {
    std::vector<TestGlyph> glyphs{TestGlyph{}};
    glyphs.insert(glyphs.end(), userGlyphs.begin(), userGlyphs.end());
    const uint32_t n = static_cast<uint32_t>(glyphs.size());
    std::map<std::string, std::string> tables;

    std::string glyf, loca;
    for (const TestGlyph& g : glyphs) {
        u32(loca, static_cast<uint32_t>(glyf.size()));
        glyf += glyphData(g);
    }
    u32(loca, static_cast<uint32_t>(glyf.size()));
    tables["glyf"] = glyf;
    tables["loca"] = loca;

    std::string head;
    u32(head, 0x00010000), u32(head, 0x00010000), u32(head, 0), u32(head, 0x5F0F3CF5);
    u16(head, 0x000B), u16(head, 1000);
    head.append(16, '\0');  // created, modified
    u16(head, 0), u16(head, static_cast<uint16_t>(-200)), u16(head, 1000), u16(head, 900);
    u16(head, 0), u16(head, 8), u16(head, 2), u16(head, 1), u16(head, 0);  // long offsets
    tables["head"] = head;

    std::string hhea;
    u32(hhea, 0x00010000), u16(hhea, 900), u16(hhea, static_cast<uint16_t>(-200)), u16(hhea, 0);
    u16(hhea, 1000), u16(hhea, 0), u16(hhea, 0), u16(hhea, 1000), u16(hhea, 1), u16(hhea, 0), u16(hhea, 0);
    hhea.append(8, '\0');
    u16(hhea, 0), u16(hhea, n);
    tables["hhea"] = hhea;

    std::string hmtx;
    // The left side bearing must be the glyph's xMin, or the rasteriser moves the outline.
    for (const TestGlyph& g : glyphs) {
        int xMin = 0;
        for (size_t c = 0; c < g.contours.size(); ++c)
            for (size_t i = 0; i < g.contours[c].size(); ++i)
                xMin = (c == 0 && i == 0) ? g.contours[c][i].first : std::min(xMin, g.contours[c][i].first);
        u16(hmtx, static_cast<uint32_t>(g.advance)), u16(hmtx, static_cast<uint16_t>(xMin));
    }
    tables["hmtx"] = hmtx;

    std::string maxp;
    u32(maxp, 0x00010000), u16(maxp, n), u16(maxp, 64), u16(maxp, 8), u16(maxp, 0), u16(maxp, 0), u16(maxp, 2);
    for (int i = 0; i < 8; ++i) u16(maxp, 0);
    tables["maxp"] = maxp;

    std::string cmap;
    u16(cmap, 0), u16(cmap, static_cast<uint32_t>(charmaps.size()));
    std::string subtables;
    const uint32_t base = 4 + 8 * static_cast<uint32_t>(charmaps.size());
    for (const TestCharmap& c : charmaps) {
        u16(cmap, static_cast<uint32_t>(c.platform)), u16(cmap, static_cast<uint32_t>(c.encoding));
        u32(cmap, base + static_cast<uint32_t>(subtables.size()));
        subtables += format4(c.codes);
    }
    tables["cmap"] = cmap + subtables;

    std::string out;
    const uint32_t count = static_cast<uint32_t>(tables.size());
    u32(out, 0x00010000), u16(out, count), u16(out, 64), u16(out, 2), u16(out, count * 16 - 64);
    uint32_t offset = 12 + 16 * count;
    std::string body;
    for (const auto& [tag, data] : tables) {  // std::map keeps the tags sorted
        out += tag;
        u32(out, 0), u32(out, offset + static_cast<uint32_t>(body.size())), u32(out, static_cast<uint32_t>(data.size()));
        body += data;
        while (body.size() % 4) body += '\0';
    }
    return out + body;
}

}  // namespace qm::test
