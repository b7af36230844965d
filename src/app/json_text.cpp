#include "app/json_text.h"

#include "platform/system/code_page.h"

namespace qm {

namespace {

// The length of the well-formed UTF-8 sequence at `s[i]`, or 0.
size_t utf8Length(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    size_t n;
    unsigned min;
    unsigned cp;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) n = 2, min = 0x80, cp = b & 0x1F;
    else if ((b & 0xF0) == 0xE0) n = 3, min = 0x800, cp = b & 0x0F;
    else if ((b & 0xF8) == 0xF0) n = 4, min = 0x10000, cp = b & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void appendUtf8(std::string& out, unsigned cp) {
    std::u16string units;
    if (cp < 0x10000) {
        units += static_cast<char16_t>(cp);
    } else {
        units += static_cast<char16_t>(0xD800 | ((cp - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 | ((cp - 0x10000) & 0x3FF));
    }
    out += utf16ToUtf8(units);
}

const char kHex[] = "0123456789abcdef";

class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {}

    void skipSpace() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }
    bool take(char c) {
        skipSpace();
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skipSpace();
        return i_ == s_.size();
    }
    char peek() {
        skipSpace();
        return i_ < s_.size() ? s_[i_] : '\0';
    }

    std::optional<unsigned> hex4() {
        if (i_ + 4 > s_.size()) return std::nullopt;
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s_[i_++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f') v |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') v |= static_cast<unsigned>(c - 'A' + 10);
            else return std::nullopt;
        }
        return v;
    }

    std::optional<std::string> string() {
        if (!take('"')) return std::nullopt;
        std::string out;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size()) return std::nullopt;
            const char e = s_[i_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::optional<unsigned> cp = hex4();
                if (!cp) return std::nullopt;
                if (*cp >= 0xDC80 && *cp <= 0xDCFF) {
                    out += static_cast<char>(*cp - 0xDC00);  // a byte that was not UTF-8
                } else if (*cp >= 0xD800 && *cp <= 0xDBFF) {
                    if (i_ + 2 > s_.size() || s_[i_] != '\\' || s_[i_ + 1] != 'u') return std::nullopt;
                    i_ += 2;
                    std::optional<unsigned> low = hex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                    appendUtf8(out, 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00));
                } else if (*cp >= 0xDC00 && *cp <= 0xDFFF) {
                    return std::nullopt;
                } else {
                    appendUtf8(out, *cp);
                }
                break;
            }
            default: return std::nullopt;
            }
        }
        return std::nullopt;
    }

    // A number, true, false or null, as written.
    std::optional<std::string> scalar() {
        skipSpace();
        const size_t start = i_;
        while (i_ < s_.size()) {
            const char c = s_[i_];
            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-' || c == '+' || c == '.' || c == 'E') ++i_;
            else break;
        }
        if (i_ == start) return std::nullopt;
        return std::string(s_.substr(start, i_ - start));
    }

private:
    std::string_view s_;
    size_t i_ = 0;
};

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n", ++i;
        } else if (c == '\r') {
            out += "\\r", ++i;
        } else if (c == '\t') {
            out += "\\t", ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        } else if (size_t n = utf8Length(text, i); n > 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\\udc";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        }
    }
    out += '"';
    return out;
}

std::optional<std::map<std::string, std::string>> parseFlatJsonObject(std::string_view text) {
    Reader r(text);
    std::map<std::string, std::string> fields;
    if (!r.take('{')) return std::nullopt;
    if (r.take('}')) return r.atEnd() ? std::optional(fields) : std::nullopt;
    do {
        std::optional<std::string> key = r.string();
        if (!key || !r.take(':')) return std::nullopt;
        std::optional<std::string> value = r.peek() == '"' ? r.string() : r.scalar();
        if (!value) return std::nullopt;
        fields[*key] = std::move(*value);
    } while (r.take(','));
    if (!r.take('}') || !r.atEnd()) return std::nullopt;
    return fields;
}

}  // namespace qm
