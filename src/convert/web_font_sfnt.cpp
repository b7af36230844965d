#include "convert/web_font_sfnt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

namespace qm {

namespace {

constexpr int kUnits = kWebFontUnitsPerEm;
// Curves are flattened to this many font units at most; a cubic gets as many quadratic
// pieces as it needs for that, and no more than kMaxPieces.
constexpr double kTolerance = 1.0;
constexpr int kMaxPieces = 16;
constexpr size_t kMaxGlyphPoints = 60000;

void u16(std::string& out, unsigned v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}
void s16(std::string& out, int v) { u16(out, static_cast<unsigned>(v) & 0xFFFF); }
void u32(std::string& out, uint32_t v) {
    u16(out, v >> 16);
    u16(out, v & 0xFFFF);
}

// Within four ems either way, so that the step from one point to the next fits 16 bits.
int16_t clampUnit(double v) {
    if (!std::isfinite(v)) return 0;
    const double r = std::round(v);
    return static_cast<int16_t>(std::clamp(r, -16000.0, 16000.0));
}

struct Point {
    int16_t x, y;
    bool on;
};

struct Outline {
    std::vector<std::vector<Point>> contours;
};

struct P2 {
    double x, y;
};
P2 lerp(P2 a, P2 b, double t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// A cubic from p0 through c1, c2 to p3 as quadratic pieces, appended as off- and on-curve
// points (p0 is already there).
void addCubic(std::vector<Point>& contour, P2 p0, P2 c1, P2 c2, P2 p3) {
    // The distance between a cubic and its best single quadratic grows with this third
    // difference; n pieces shrink it by n cubed.
    const double dx = p3.x - 3 * c2.x + 3 * c1.x - p0.x, dy = p3.y - 3 * c2.y + 3 * c1.y - p0.y;
    const double error = std::sqrt(dx * dx + dy * dy) * std::sqrt(3.0) / 36;
    int pieces = static_cast<int>(std::ceil(std::cbrt(error / kTolerance)));
    pieces = std::clamp(pieces, 1, kMaxPieces);
    P2 start = p0;
    for (int i = 1; i <= pieces; ++i) {
        // The piece from t0 to t1 by de Casteljau.
        const double t0 = static_cast<double>(i - 1) / pieces, t1 = static_cast<double>(i) / pieces;
        auto at = [&](double t) {
            P2 a = lerp(p0, c1, t), b = lerp(c1, c2, t), c = lerp(c2, p3, t);
            P2 d = lerp(a, b, t), e = lerp(b, c, t);
            return lerp(d, e, t);
        };
        auto derivative = [&](double t) {
            const double u = 1 - t;
            return P2{3 * (u * u * (c1.x - p0.x) + 2 * u * t * (c2.x - c1.x) + t * t * (p3.x - c2.x)),
                      3 * (u * u * (c1.y - p0.y) + 2 * u * t * (c2.y - c1.y) + t * t * (p3.y - c2.y))};
        };
        const P2 end = at(t1);
        const double h = t1 - t0;
        const P2 d0 = derivative(t0), d1 = derivative(t1);
        // The control point that matches both end tangents, averaged from either end.
        const P2 fromStart{start.x + d0.x * h / 3 * 1.5, start.y + d0.y * h / 3 * 1.5};
        const P2 fromEnd{end.x - d1.x * h / 3 * 1.5, end.y - d1.y * h / 3 * 1.5};
        const P2 control{(fromStart.x + fromEnd.x) / 2, (fromStart.y + fromEnd.y) / 2};
        contour.push_back({clampUnit(control.x), clampUnit(control.y), false});
        contour.push_back({clampUnit(end.x), clampUnit(end.y), true});
        start = end;
    }
}

Outline outlineOf(const GlyphPath& path) {
    Outline out;
    std::vector<Point>* contour = nullptr;
    P2 current{0, 0};
    size_t k = 0;
    auto next = [&]() {
        P2 p{0, 0};
        if (k + 1 < path.points.size()) p = {path.points[k] * double{kUnits}, path.points[k + 1] * double{kUnits}};
        k += 2;
        return p;
    };
    for (GlyphPath::Op op : path.ops) {
        if (op == GlyphPath::move) {
            current = next();
            out.contours.emplace_back();
            contour = &out.contours.back();
            contour->push_back({clampUnit(current.x), clampUnit(current.y), true});
            continue;
        }
        if (contour == nullptr) {  // a path must start with a move; one that does not starts at 0,0
            out.contours.emplace_back();
            contour = &out.contours.back();
            contour->push_back({0, 0, true});
        }
        if (op == GlyphPath::line) {
            current = next();
            contour->push_back({clampUnit(current.x), clampUnit(current.y), true});
        } else if (op == GlyphPath::quad) {
            const P2 c = next(), p = next();
            contour->push_back({clampUnit(c.x), clampUnit(c.y), false});
            contour->push_back({clampUnit(p.x), clampUnit(p.y), true});
            current = p;
        } else {
            const P2 c1 = next(), c2 = next(), p = next();
            addCubic(*contour, current, c1, c2, p);
            current = p;
        }
    }
    // Contours close by themselves: a last point on the first is dropped, and contours of
    // fewer than three points enclose nothing.
    std::vector<std::vector<Point>> kept;
    for (auto& c : out.contours) {
        if (c.size() > 1 && c.back().on && c.back().x == c.front().x && c.back().y == c.front().y) c.pop_back();
        if (c.size() >= 3) kept.push_back(std::move(c));
    }
    out.contours = std::move(kept);
    return out;
}

struct Box {
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    bool empty = true;
    void add(int x, int y) {
        if (empty) {
            xMin = xMax = x;
            yMin = yMax = y;
            empty = false;
            return;
        }
        xMin = std::min(xMin, x);
        xMax = std::max(xMax, x);
        yMin = std::min(yMin, y);
        yMax = std::max(yMax, y);
    }
};

// A simple glyph: contour ends, no instructions, one flag and two 16-bit coordinates a point.
std::string glyfEntry(const Outline& o, Box& box, size_t& points) {
    std::string g;
    if (o.contours.empty()) return g;
    Box b;
    points = 0;
    for (const auto& c : o.contours)
        for (const Point& p : c) b.add(p.x, p.y), ++points;
    // Contour ends are 16-bit: a glyph of more points is left blank.
    if (points > kMaxGlyphPoints || o.contours.size() > kMaxGlyphPoints) {
        points = 0;
        return g;
    }
    s16(g, static_cast<int>(o.contours.size()));
    s16(g, b.xMin);
    s16(g, b.yMin);
    s16(g, b.xMax);
    s16(g, b.yMax);
    size_t end = 0;
    for (const auto& c : o.contours) {
        end += c.size();
        u16(g, static_cast<unsigned>(end - 1));
    }
    u16(g, 0);  // no instructions
    for (const auto& c : o.contours)
        for (const Point& p : c) g += static_cast<char>(p.on ? 1 : 0);
    int last = 0;
    for (const auto& c : o.contours)
        for (const Point& p : c) s16(g, p.x - last), last = p.x;
    last = 0;
    for (const auto& c : o.contours)
        for (const Point& p : c) s16(g, p.y - last), last = p.y;
    while (g.size() % 4) g += '\0';
    box = b;
    return g;
}

std::string utf16be(const std::string& ascii) {
    std::string out;
    for (char c : ascii) u16(out, static_cast<unsigned char>(c));
    return out;
}

std::string nameTable(const std::string& family) {
    const std::vector<std::pair<int, std::string>> names = {
        {1, family}, {2, "Regular"}, {3, family + "-Regular"}, {4, family}, {6, family}};
    std::string records, strings;
    for (const auto& [id, text] : names) {
        const std::string value = utf16be(text);
        u16(records, 3);
        u16(records, 1);
        u16(records, 0x409);
        u16(records, static_cast<unsigned>(id));
        u16(records, static_cast<unsigned>(value.size()));
        u16(records, static_cast<unsigned>(strings.size()));
        strings += value;
    }
    std::string t;
    u16(t, 0);
    u16(t, static_cast<unsigned>(names.size()));
    u16(t, static_cast<unsigned>(6 + records.size()));
    return t + records + strings;
}

// Format 4 for the characters of the basic plane (one segment per run of consecutive
// characters with consecutive glyphs) and format 12 for all when some lie beyond it.
std::string cmapTable(const std::map<char32_t, unsigned>& chars) {
    struct Run {
        char32_t first, last;
        unsigned glyph;
    };
    std::vector<Run> runs;
    for (auto [c, g] : chars) {
        if (!runs.empty() && runs.back().last + 1 == c && runs.back().glyph + (c - runs.back().first) == g)
            runs.back().last = c;
        else
            runs.push_back({c, c, g});
    }
    std::vector<Run> bmp;
    for (const Run& r : runs)
        if (r.first <= 0xFFFE) bmp.push_back({r.first, std::min<char32_t>(r.last, 0xFFFE), r.glyph});
    bmp.push_back({0xFFFF, 0xFFFF, 0});
    const unsigned segments = static_cast<unsigned>(bmp.size());
    std::string f4;
    unsigned searchRange = 2, selector = 0;
    while (searchRange * 2 <= segments * 2) searchRange *= 2, ++selector;
    // searchRange is 2 x the largest power of two not above the segment count.
    std::string body;
    u16(body, segments * 2);
    u16(body, searchRange);
    u16(body, selector);
    u16(body, segments * 2 - searchRange);
    for (const Run& r : bmp) u16(body, static_cast<unsigned>(r.last));
    u16(body, 0);
    for (const Run& r : bmp) u16(body, static_cast<unsigned>(r.first));
    for (const Run& r : bmp) u16(body, r.first == 0xFFFF ? 1 : (r.glyph - r.first) & 0xFFFF);
    for (size_t i = 0; i < bmp.size(); ++i) u16(body, 0);
    u16(f4, 4);
    u16(f4, static_cast<unsigned>(body.size() + 6));
    u16(f4, 0);
    f4 += body;
    const bool beyond = !chars.empty() && chars.rbegin()->first > 0xFFFF;
    std::string f12;
    if (beyond) {
        u16(f12, 12);
        u16(f12, 0);
        u32(f12, static_cast<uint32_t>(16 + 12 * runs.size()));
        u32(f12, 0);
        u32(f12, static_cast<uint32_t>(runs.size()));
        for (const Run& r : runs) {
            u32(f12, r.first);
            u32(f12, r.last);
            u32(f12, r.glyph);
        }
    }
    std::string t;
    u16(t, 0);
    u16(t, beyond ? 2 : 1);
    u16(t, 3);
    u16(t, 1);
    u32(t, beyond ? 20 : 12);
    if (beyond) {
        u16(t, 3);
        u16(t, 10);
        u32(t, static_cast<uint32_t>(20 + f4.size()));
    }
    return t + f4 + f12;
}

uint32_t checksum(const std::string& data) {
    uint32_t sum = 0;
    for (size_t i = 0; i < data.size(); i += 4) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k)
            word = word << 8 | (i + k < data.size() ? static_cast<unsigned char>(data[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

std::string assemble(std::map<std::string, std::string> tables) {
    const unsigned count = static_cast<unsigned>(tables.size());
    unsigned power = 1, log2 = 0;
    while (power * 2 <= count) power *= 2, ++log2;
    std::string font;
    u32(font, 0x00010000);
    u16(font, count);
    u16(font, power * 16);
    u16(font, log2);
    u16(font, count * 16 - power * 16);
    uint32_t offset = 12 + 16 * count;
    std::string data;
    size_t headOffset = 0;
    for (auto& [tag, table] : tables) {  // a std::map keeps the tags in order
        font += tag;
        u32(font, checksum(table));
        u32(font, offset + static_cast<uint32_t>(data.size()));
        u32(font, static_cast<uint32_t>(table.size()));
        if (tag == "head") headOffset = data.size();
        data += table;
        while (data.size() % 4) data += '\0';
    }
    font += data;
    const uint32_t adjustment = 0xB1B0AFBAu - checksum(font);
    const size_t at = offset + headOffset + 8;
    for (int i = 0; i < 4; ++i) font[at + i] = static_cast<char>((adjustment >> (24 - 8 * i)) & 0xFF);
    return font;
}

// A kerning table of one horizontal subtable of glyph pairs, sorted as the format asks.
std::string kernTable(const std::map<std::pair<char32_t, char32_t>, int>& kerns,
                      const std::map<char32_t, unsigned>& chars) {
    std::map<uint32_t, int> pairs;
    for (const auto& [pair, value] : kerns) {
        if (value == 0) continue;  // a pair kept without kerning
        auto a = chars.find(pair.first), b = chars.find(pair.second);
        if (a == chars.end() || b == chars.end() || a->second < 2 || b->second < 2) continue;
        pairs.emplace(a->second << 16 | b->second, std::clamp(value, -32000, 32000));
    }
    if (pairs.empty()) return "";
    const unsigned n = static_cast<unsigned>(pairs.size());
    unsigned power = 1, log2 = 0;
    while (power * 2 <= n) power *= 2, ++log2;
    std::string t;
    u16(t, 0);
    u16(t, 1);
    u16(t, 0);
    u16(t, static_cast<unsigned>(std::min<size_t>(14 + 6 * size_t{n}, 65535)));
    u16(t, 0x0001);
    u16(t, n);
    u16(t, power * 6);
    u16(t, log2);
    u16(t, n * 6 - power * 6);
    for (const auto& [key, value] : pairs) {
        u16(t, key >> 16);
        u16(t, key & 0xFFFF);
        s16(t, value);
    }
    return t;
}

// A substitution table with one ligature lookup under the 'liga' feature, for the default
// and the Latin script. Only ligatures whose letters all have glyphs in the face are kept.
std::string ligatureTable(const std::vector<FontGlyphSet::Ligature>& ligatures, const std::vector<unsigned>& ids,
                          const std::map<char32_t, unsigned>& chars) {
    // First glyph -> (component glyphs after the first, ligature glyph), longest first.
    std::map<unsigned, std::vector<std::pair<std::vector<unsigned>, unsigned>>> sets;
    for (const FontGlyphSet::Ligature& l : ligatures) {
        if (l.index >= ids.size() || ids[l.index] == 0) continue;
        std::vector<unsigned> components;
        for (char32_t c : l.letters) {
            auto it = chars.find(c);
            if (it == chars.end() || it->second < 2) break;
            components.push_back(it->second);
        }
        if (components.size() != l.letters.size()) continue;
        const unsigned first = components.front();
        components.erase(components.begin());
        sets[first].emplace_back(std::move(components), ids[l.index]);
    }
    if (sets.empty()) return "";
    for (auto& [first, list] : sets)
        std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });

    // The substitution subtable: coverage, then one set per first glyph.
    std::string coverage;
    u16(coverage, 1);
    u16(coverage, static_cast<unsigned>(sets.size()));
    for (const auto& [first, list] : sets) u16(coverage, first);
    std::vector<std::string> setBytes;
    for (const auto& [first, list] : sets) {
        std::string head, body;
        u16(head, static_cast<unsigned>(list.size()));
        const size_t headSize = 2 + 2 * list.size();
        for (const auto& [components, glyph] : list) {
            u16(head, static_cast<unsigned>(headSize + body.size()));
            u16(body, glyph);
            u16(body, static_cast<unsigned>(components.size() + 1));
            for (unsigned c : components) u16(body, c);
        }
        setBytes.push_back(head + body);
    }
    std::string subtable;
    const size_t subHead = 6 + 2 * setBytes.size();
    u16(subtable, 1);
    u16(subtable, static_cast<unsigned>(subHead));
    u16(subtable, static_cast<unsigned>(setBytes.size()));
    size_t at = subHead + coverage.size();
    for (const std::string& b : setBytes) {
        u16(subtable, static_cast<unsigned>(at));
        at += b.size();
    }
    subtable += coverage;
    for (const std::string& b : setBytes) subtable += b;
    if (subtable.size() > 60000) return "";  // offsets are 16-bit

    std::string scripts;  // two records sharing one script with a default language system
    u16(scripts, 2);
    scripts += "DFLT";
    u16(scripts, 14);
    scripts += "latn";
    u16(scripts, 14);
    u16(scripts, 4);  // script: default language system right after
    u16(scripts, 0);
    u16(scripts, 0);  // language system: no order, no required feature, feature 0
    u16(scripts, 0xFFFF);
    u16(scripts, 1);
    u16(scripts, 0);
    std::string features;
    u16(features, 1);
    features += "liga";
    u16(features, 8);
    u16(features, 0);
    u16(features, 1);
    u16(features, 0);
    std::string lookups;
    u16(lookups, 1);
    u16(lookups, 4);
    u16(lookups, 4);  // lookup: ligature substitution, no flags, one subtable
    u16(lookups, 0);
    u16(lookups, 1);
    u16(lookups, 8);
    lookups += subtable;
    std::string t;
    u32(t, 0x00010000);
    u16(t, 10);
    u16(t, static_cast<unsigned>(10 + scripts.size()));
    u16(t, static_cast<unsigned>(10 + scripts.size() + features.size()));
    return t + scripts + features + lookups;
}

}  // namespace

std::string buildWebFontFace(const std::vector<FontGlyphSet::Glyph>& glyphs, const std::string& family,
                             const std::map<std::pair<char32_t, char32_t>, int>& kerns,
                             const std::vector<FontGlyphSet::Ligature>& ligatures) {
    // Glyph 0 is the empty .notdef, glyph 1 the blank; the face's glyphs follow in order.
    std::vector<std::string> entries{"", ""};
    std::vector<int> advances{0, 0};
    std::vector<int> leftBearings{0, 0};
    std::map<char32_t, unsigned> chars{{U' ', 1u}};
    Box all;
    size_t maxPoints = 0, maxContours = 0;
    std::vector<unsigned> ids(glyphs.size(), 0);  // the font's glyph of each of the face's
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const FontGlyphSet::Glyph& g = glyphs[i];
        if (g.character == U' ' || g.character > 0x10FFFF || (g.character >= 0xD800 && g.character <= 0xDFFF)) continue;
        ids[i] = static_cast<unsigned>(entries.size());
        const Outline o = outlineOf(g.path);
        Box box;
        size_t points = 0;
        entries.push_back(glyfEntry(o, box, points));
        maxPoints = std::max(maxPoints, points);
        maxContours = std::max(maxContours, o.contours.size());
        if (!box.empty) all.add(box.xMin, box.yMin), all.add(box.xMax, box.yMax);
        advances.push_back(std::clamp(static_cast<int>(std::lround(g.width * kUnits)), 0, 65535));
        leftBearings.push_back(box.empty ? 0 : box.xMin);
        if (g.character != 0) chars.emplace(g.character, static_cast<unsigned>(entries.size() - 1));
    }
    const unsigned numGlyphs = static_cast<unsigned>(entries.size());
    std::map<std::string, std::string> t;

    std::string glyf, loca;
    for (const std::string& e : entries) {
        u32(loca, static_cast<uint32_t>(glyf.size()));
        glyf += e;
    }
    u32(loca, static_cast<uint32_t>(glyf.size()));
    t["glyf"] = glyf;
    t["loca"] = loca;

    std::string hmtx;
    int maxAdvance = 0;
    for (unsigned i = 0; i < numGlyphs; ++i) {
        u16(hmtx, static_cast<unsigned>(advances[i]));
        s16(hmtx, leftBearings[i]);
        maxAdvance = std::max(maxAdvance, advances[i]);
    }
    t["hmtx"] = hmtx;

    const int ascent = kUnits;  // equal to the descent
    std::string head;
    u32(head, 0x00010000);
    u32(head, 0x00010000);
    u32(head, 0);  // checksum adjustment, set when the font is assembled
    u32(head, 0x5F0F3CF5);
    u16(head, 0x0009);  // baseline at y 0, whole pixel sizes allowed
    u16(head, kUnits);
    for (int i = 0; i < 4; ++i) u32(head, 0);  // created, modified
    s16(head, all.xMin);
    s16(head, all.yMin);
    s16(head, all.xMax);
    s16(head, all.yMax);
    u16(head, 0);
    u16(head, 8);
    s16(head, 2);
    s16(head, 1);  // long loca offsets
    s16(head, 0);
    t["head"] = head;

    std::string hhea;
    u32(hhea, 0x00010000);
    s16(hhea, ascent);
    s16(hhea, -ascent);
    s16(hhea, 0);
    u16(hhea, static_cast<unsigned>(maxAdvance));
    s16(hhea, all.xMin);
    s16(hhea, 0);
    s16(hhea, all.xMax);
    s16(hhea, 1);
    s16(hhea, 0);
    s16(hhea, 0);
    for (int i = 0; i < 4; ++i) s16(hhea, 0);
    s16(hhea, 0);
    u16(hhea, numGlyphs);
    t["hhea"] = hhea;

    std::string maxp;
    u32(maxp, 0x00010000);
    u16(maxp, numGlyphs);
    u16(maxp, static_cast<unsigned>(std::min<size_t>(maxPoints, 65535)));
    u16(maxp, static_cast<unsigned>(std::min<size_t>(maxContours, 65535)));
    u16(maxp, 0);
    u16(maxp, 0);
    u16(maxp, 2);
    for (int i = 0; i < 8; ++i) u16(maxp, 0);
    t["maxp"] = maxp;

    std::string os2;
    u16(os2, 4);
    s16(os2, maxAdvance / 2);
    u16(os2, 400);
    u16(os2, 5);
    u16(os2, 0);  // installable
    for (int v : {kUnits * 65 / 100, kUnits * 60 / 100, 0, kUnits * 7 / 100, kUnits * 65 / 100, kUnits * 60 / 100, 0,
                  kUnits * 48 / 100, kUnits / 20, kUnits * 26 / 100})
        s16(os2, v);
    s16(os2, 0);
    for (int i = 0; i < 10; ++i) os2 += '\0';  // PANOSE
    for (int i = 0; i < 4; ++i) u32(os2, 0);
    os2 += "QMRK";
    u16(os2, 0x00C0);  // regular, typographic metrics are the ones to use
    const char32_t firstChar = chars.begin()->first, lastChar = chars.rbegin()->first;
    u16(os2, static_cast<unsigned>(std::min<char32_t>(firstChar, 0xFFFF)));
    u16(os2, static_cast<unsigned>(std::min<char32_t>(lastChar, 0xFFFF)));
    s16(os2, ascent);
    s16(os2, -ascent);
    s16(os2, 0);
    u16(os2, static_cast<unsigned>(ascent));
    u16(os2, static_cast<unsigned>(ascent));
    u32(os2, 1);
    u32(os2, 0);
    s16(os2, kUnits / 2);
    s16(os2, kUnits * 7 / 10);
    u16(os2, 0);
    u16(os2, 32);
    u16(os2, 0);
    t["OS/2"] = os2;

    std::string post;
    u32(post, 0x00030000);
    u32(post, 0);
    s16(post, -kUnits / 10);
    s16(post, kUnits / 20);
    for (int i = 0; i < 5; ++i) u32(post, 0);
    t["post"] = post;

    t["cmap"] = cmapTable(chars);
    // Kerning pairs name ligatures by their keys.
    std::map<char32_t, unsigned> kernable = chars;
    for (size_t i = 0; i < ligatures.size(); ++i)
        if (ligatures[i].index < ids.size() && ids[ligatures[i].index] != 0)
            kernable.emplace(FontGlyphSet::kLigatureKeys + static_cast<char32_t>(i), ids[ligatures[i].index]);
    if (std::string kern = kernTable(kerns, kernable); !kern.empty()) t["kern"] = std::move(kern);
    if (std::string gsub = ligatureTable(ligatures, ids, chars); !gsub.empty()) t["GSUB"] = std::move(gsub);
    t["name"] = nameTable(family);
    return assemble(std::move(t));
}

}  // namespace qm
