#include "fonts/font_programs.h"

namespace qm::test {

void putU16(std::string& out, unsigned v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

void putU32(std::string& out, uint32_t v) {
    putU16(out, v >> 16);
    putU16(out, v & 0xFFFF);
}

namespace {

void putOffset(std::string& out, uint32_t v, int size) {
    for (int i = size - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An integer operand in its five-byte form, so that offsets do not change the DICT size.
std::string dictEntry(long value, int op) {
    std::string out(1, static_cast<char>(29));
    putU32(out, static_cast<uint32_t>(value));
    out += static_cast<char>(op);
    return out;
}

}  // namespace

std::string cffIndex(const std::vector<std::string>& items, int offSize) {
    std::string out;
    putU16(out, static_cast<unsigned>(items.size()));
    if (items.empty()) return out;
    out += static_cast<char>(offSize);
    uint32_t offset = 1;
    putOffset(out, offset, offSize);
    for (const std::string& item : items) {
        offset += static_cast<uint32_t>(item.size());
        putOffset(out, offset, offSize);
    }
    for (const std::string& item : items) out += item;
    return out;
}

std::string buildCff(const CffProgram& p) {
    std::string head = std::string("\x01\x00\x04\x01", 4) + cffIndex({p.name});
    const size_t topDictSize = 2 + 1 + 2 + 3 * 6;
    std::string strings = cffIndex(p.strings);
    std::string globalSubrs = cffIndex({});
    size_t charStringsOffset = head.size() + topDictSize + strings.size() + globalSubrs.size();
    std::string charStrings = cffIndex(std::vector<std::string>(p.glyphCount, std::string("\x0e", 1)));
    size_t charsetOffset = charStringsOffset + charStrings.size();
    size_t encodingOffset = charsetOffset + p.charsetTable.size();
    std::string dict = dictEntry(static_cast<long>(charStringsOffset), 17) +
                       dictEntry(p.charset < 0 ? static_cast<long>(charsetOffset) : p.charset, 15) +
                       dictEntry(p.encoding < 0 ? static_cast<long>(encodingOffset) : p.encoding, 16);
    std::string out = head + cffIndex({dict}) + strings + globalSubrs + charStrings + p.charsetTable + p.encodingTable;
    return out;
}

std::string buildTrueType(const std::vector<std::pair<std::string, std::string>>& tables) {
    std::string out;
    putU32(out, 0x00010000);
    putU16(out, static_cast<unsigned>(tables.size()));
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, 0);
    uint32_t offset = 12 + 16 * static_cast<uint32_t>(tables.size());
    std::string data;
    for (const auto& [tag, bytes] : tables) {
        out += tag.substr(0, 4);
        putU32(out, 0);
        putU32(out, offset + static_cast<uint32_t>(data.size()));
        putU32(out, static_cast<uint32_t>(bytes.size()));
        data += bytes;
        while (data.size() % 4) data += '\0';
    }
    return out + data;
}

std::vector<std::pair<std::string, std::string>> requiredTables(int glyphCount, int xMin, int yMin, int xMax,
                                                                int yMax) {
    std::string head(54, '\0');
    auto set16 = [&](size_t at, int v) {
        head[at] = static_cast<char>((v >> 8) & 0xFF);
        head[at + 1] = static_cast<char>(v & 0xFF);
    };
    set16(36, xMin);
    set16(38, yMin);
    set16(40, xMax);
    set16(42, yMax);
    set16(50, 1);
    std::string maxp;
    putU32(maxp, 0x00005000);
    putU16(maxp, static_cast<unsigned>(glyphCount));
    return {{"head", head}, {"hhea", std::string(36, '\0')}, {"loca", std::string(4, '\0')},
            {"maxp", maxp}, {"glyf", std::string(4, '\0')}, {"hmtx", std::string(4, '\0')}};
}

std::string cmapTable(const std::vector<CmapSubtable>& subtables) {
    std::string out;
    putU16(out, 0);
    putU16(out, static_cast<unsigned>(subtables.size()));
    uint32_t offset = 4 + 8 * static_cast<uint32_t>(subtables.size());
    std::string data;
    for (const CmapSubtable& s : subtables) {
        putU16(out, s.platform);
        putU16(out, s.encoding);
        putU32(out, offset + static_cast<uint32_t>(data.size()));
        data += s.bytes;
    }
    return out + data;
}

std::string cmapFormat0(const std::map<int, int>& codeToGlyph) {
    std::string out;
    putU16(out, 0);
    putU16(out, 262);
    putU16(out, 0);
    std::string ids(256, '\0');
    for (const auto& [code, glyph] : codeToGlyph) ids[code] = static_cast<char>(glyph);
    return out + ids;
}

std::string cmapFormat4(std::vector<Segment> segments) {
    segments.push_back({0xFFFF, 0xFFFF, 1, {}});
    const unsigned segCount = static_cast<unsigned>(segments.size());
    std::string out;
    putU16(out, 4);
    putU16(out, 0);  // length, not read
    putU16(out, 0);
    putU16(out, segCount * 2);
    putU16(out, 0);
    putU16(out, 0);
    putU16(out, 0);
    for (const Segment& s : segments) putU16(out, s.end);
    putU16(out, 0);
    for (const Segment& s : segments) putU16(out, s.start);
    for (const Segment& s : segments) putU16(out, static_cast<unsigned>(s.delta) & 0xFFFF);
    // Range offsets count from their own position to the glyph array after them.
    std::string glyphArray;
    for (unsigned i = 0; i < segCount; ++i) {
        const Segment& s = segments[i];
        if (s.glyphs.empty()) {
            putU16(out, 0);
            continue;
        }
        putU16(out, 2 * (segCount - i) + static_cast<unsigned>(glyphArray.size()));
        for (uint16_t g : s.glyphs) putU16(glyphArray, g);
    }
    return out + glyphArray;
}

std::string cmapFormat6(unsigned firstCode, const std::vector<uint16_t>& glyphs) {
    std::string out;
    putU16(out, 6);
    putU16(out, 10 + 2 * static_cast<unsigned>(glyphs.size()));
    putU16(out, 0);
    putU16(out, firstCode);
    putU16(out, static_cast<unsigned>(glyphs.size()));
    for (uint16_t g : glyphs) putU16(out, g);
    return out;
}

std::string postTable2(const std::vector<uint16_t>& indexes, const std::vector<std::string>& names, int count) {
    std::string out;
    putU32(out, 0x00020000);
    out += std::string(28, '\0');
    putU16(out, count < 0 ? static_cast<unsigned>(indexes.size()) : static_cast<unsigned>(count));
    for (uint16_t i : indexes) putU16(out, i);
    for (const std::string& n : names) {
        out += static_cast<char>(n.size());
        out += n;
    }
    return out;
}

}  // namespace qm::test
