#include "fonts/text_lines.h"

namespace qm {

bool LineReader::next(std::string& line) {
    line.clear();
    tooLong_ = false;
    int c = std::getc(file_);
    if (c == EOF) return false;
    while (c != EOF && c != '\n' && c != '\r') {
        if (static_cast<int>(line.size()) < maxLength_)
            line.push_back(static_cast<char>(c));
        else
            tooLong_ = true;
        c = std::getc(file_);
    }
    if (c == '\r') {
        int after = std::getc(file_);
        if (after != '\n' && after != EOF) std::ungetc(after, file_);
    }
    ++lineNumber_;
    return true;
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t i = 0, n = line.size();
    while (i < n) {
        while (i < n && blank(line[i])) ++i;
        size_t start = i;
        while (i < n && !blank(line[i])) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
}

bool parseHex(std::string_view text, uint32_t* value) {
    if (text.empty() || text.size() > 8) return false;
    uint32_t v = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v << 4 | static_cast<uint32_t>(d);
    }
    *value = v;
    return true;
}

}  // namespace qm
