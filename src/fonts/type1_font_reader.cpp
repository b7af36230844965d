#include "fonts/type1_font_reader.h"

#include <string_view>

#include "fonts/font_encodings.h"

namespace qm {

namespace {

constexpr size_t kMaxLineLength = 255;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Walks lines ending at LF or CR; the run of CR and LF bytes after a line is skipped.
class LineWalker {
public:
    LineWalker(const char* data, size_t size) : data_(data), size_(size) {}
    bool next(std::string_view& line) {
        if (pos_ >= size_) return false;
        size_t start = pos_;
        while (pos_ < size_ && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
        line = std::string_view(data_ + start, pos_ - start);
        while (pos_ < size_ && (data_[pos_] == '\n' || data_[pos_] == '\r')) ++pos_;
        if (line.size() > kMaxLineLength) line = line.substr(0, kMaxLineLength);
        return true;
    }

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The next blank-separated word from `pos`, or an empty view at the end of the line.
std::string_view nextWord(std::string_view line, size_t& pos) {
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    size_t start = pos;
    while (pos < line.size() && !isBlank(line[pos])) ++pos;
    return line.substr(start, pos - start);
}

bool parseCode(std::string_view word, int* code) {
    if (word.empty()) return false;
    int value = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        if (value < 100000) value = value * 10 + (c - '0');
    }
    *code = value;
    return true;
}

}  // namespace

Type1FontReader::Type1FontReader(const uint8_t* data, size_t size) {
    if (!data) size = 0;
    // A PFB file starts with a segment header: 0x80, type 1 (text), 4-byte length.
    if (size >= 6 && data[0] == 0x80 && data[1] == 0x01) {
        size_t length = data[2] | data[3] << 8 | data[4] << 16 | static_cast<size_t>(data[5]) << 24;
        data += 6;
        size -= 6;
        if (length < size) size = length;
    }
    LineWalker lines(reinterpret_cast<const char*>(data), size);
    std::string_view line;
    for (int n = 0; n < kMaxHeaderLines && lines.next(line); ++n) {
        if (line.starts_with("/FontName")) {
            readName(line);
        } else if (line.starts_with("/Encoding StandardEncoding def")) {
            for (int code = 0; code < 256; ++code) encoding_[code] = kStandardEncoding[code];
            hasEncoding_ = true;
            break;
        } else if (line.starts_with("/Encoding 256 array")) {
            hasEncoding_ = true;
            for (int i = 0; i < kMaxEncodingLines && lines.next(line); ++i)
                if (readEncodingLine(line)) break;
            break;
        }
    }
}

void Type1FontReader::readName(std::string_view line) {
    size_t slash = line.find('/', sizeof("/FontName") - 1);
    if (slash == std::string_view::npos) return;
    size_t end = line.find_first_of(" \t\r\n", slash + 1);
    name_.assign(line.substr(slash + 1, end == std::string_view::npos ? std::string_view::npos : end - slash - 1));
    hasName_ = true;
}

bool Type1FontReader::readEncodingLine(std::string_view line) {
    // Writers put one entry per line, some several; every "dup code /name put" counts.
    size_t pos = 0;
    nextWord(line, pos);
    if (nextWord(line, pos) == "def") return true;
    pos = 0;
    for (std::string_view word = nextWord(line, pos); !word.empty(); word = nextWord(line, pos)) {
        if (word != "dup") continue;
        int code;
        size_t codePos = pos;
        if (!parseCode(nextWord(line, pos), &code)) {
            pos = codePos;
            continue;
        }
        size_t namePos = pos;
        std::string_view name = nextWord(line, pos);
        if (code >= 256 || name.size() < 2 || name[0] != '/') {
            pos = namePos;
            continue;
        }
        encoding_[code] = names_.add(name.substr(1));
    }
    return false;
}

}  // namespace qm
