#pragma once
// Builders of small font programs for the reader tests: compact fonts (CFF) and TrueType
// table files, with the parts each test needs and nothing else.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm::test {

// An exactly sized heap copy, so the sanitizer sees any read past the end.
inline std::vector<uint8_t> heapCopy(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
// An encoding entry for assertions: the name, or "(none)".
inline std::string entryName(const char* const* enc, int code) {
    return enc && enc[code] ? enc[code] : "(none)";
}

void putU16(std::string& out, unsigned v);
void putU32(std::string& out, uint32_t v);

// An INDEX: count, offset size, offsets, data.
std::string cffIndex(const std::vector<std::string>& items, int offSize = 1);

struct CffProgram {
    std::string name = "TestFont";
    std::vector<std::string> strings;  // String INDEX entries (ids 391...)
    int glyphCount = 4;                // CharStrings INDEX entries
    long charset = 0;                  // 0-2 predefined; -1 means charsetTable
    std::string charsetTable;
    long encoding = 0;                 // 0, 1 predefined; -1 means encodingTable
    std::string encodingTable;
};
std::string buildCff(const CffProgram& program);

// A TrueType file from (tag, table bytes) pairs, in the given order.
std::string buildTrueType(const std::vector<std::pair<std::string, std::string>>& tables);
// The six tables a TrueType program needs besides cmap and post, with the given bbox and
// glyph count.
std::vector<std::pair<std::string, std::string>> requiredTables(int glyphCount, int xMin = -10, int yMin = -20,
                                                                int xMax = 1000, int yMax = 900);
// A cmap table with one subtable per (platform, encoding, subtable bytes).
struct CmapSubtable {
    int platform;
    int encoding;
    std::string bytes;
};
std::string cmapTable(const std::vector<CmapSubtable>& subtables);
std::string cmapFormat0(const std::map<int, int>& codeToGlyph);
struct Segment {
    unsigned start, end;
    int delta;
    std::vector<uint16_t> glyphs;  // when not empty, the segment uses a range offset
};
std::string cmapFormat4(std::vector<Segment> segments);
std::string cmapFormat6(unsigned firstCode, const std::vector<uint16_t>& glyphs);
// A version 2.0 post table: one name index per glyph, then the extra names.
std::string postTable2(const std::vector<uint16_t>& indexes, const std::vector<std::string>& names,
                       int count = -1);

}  // namespace qm::test
