#pragma once
// Line and field reading shared by the engine's text data files (configuration,
// unicodeMap, nameToUnicode, and the character-map files built on them).
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Reads lines that end at LF, CR or CR LF (the end of the file ends the last one).
// A line longer than `maxLength` bytes is cut there and the rest of it skipped, so it
// still counts as one line; tooLong() tells the caller to treat it as bad.
class LineReader {
public:
    LineReader(FILE* file, int maxLength) : file_(file), maxLength_(maxLength) {}
    // False at the end of the file.
    bool next(std::string& line);
    bool tooLong() const { return tooLong_; }
    // 1-based number of the line last returned.
    int lineNumber() const { return lineNumber_; }

private:
    FILE* file_;
    int maxLength_;
    int lineNumber_ = 0;
    bool tooLong_ = false;
};

// Splits at spaces, tabs, CR and LF; empty fields are dropped.
void splitFields(std::string_view line, std::vector<std::string_view>& fields);

// A whole field of 1 to 8 hexadecimal digits.
bool parseHex(std::string_view text, uint32_t* value);

}  // namespace qm
