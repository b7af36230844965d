#include "convert/html_text.h"

#include <cstdio>

namespace qm {

void appendEscapedHtml(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
}

void appendXmlText(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
            (static_cast<unsigned char>(text[i + 2]) == 0xBE || static_cast<unsigned char>(text[i + 2]) == 0xBF)) {
            i += 2;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
            if (u == 0x7F) break;
            out += c;
        }
    }
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscapedHtml(out, text);
    return out;
}

namespace {

bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// One CSS identifier: starts with a letter, '_', a non-ASCII byte or '-' followed by one of
// those; goes on with those, digits and '-'.
bool isCssIdentifier(std::string_view word) {
    if (word.empty()) return false;
    auto nameStart = [](unsigned char c) { return isAsciiLetter(c) || c == '_' || c >= 0x80; };
    size_t i = 0;
    if (word[0] == '-') {
        if (word.size() < 2 || !nameStart(static_cast<unsigned char>(word[1]))) return false;
        i = 2;
    } else {
        if (!nameStart(static_cast<unsigned char>(word[0]))) return false;
        i = 1;
    }
    for (; i < word.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(word[i]);
        if (!nameStart(c) && !isDigit(c) && c != '-') return false;
    }
    return true;
}

bool isPlainFamily(std::string_view face) {
    if (face.empty()) return false;
    size_t start = 0;
    while (start <= face.size()) {
        size_t end = face.find(' ', start);
        if (end == std::string_view::npos) end = face.size();
        if (!isCssIdentifier(face.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string cssFontFamily(std::string_view face) {
    if (isPlainFamily(face)) return std::string(face);
    std::string out = "\"";
    for (char c : face) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\%x ", u);
            out += hex;
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

bool isScriptTarget(std::string_view target) {
    size_t i = 0;
    while (i < target.size() && static_cast<unsigned char>(target[i]) <= 0x20) ++i;
    std::string scheme;
    for (; i < target.size() && scheme.size() < 16; ++i) {
        char c = target[i];
        if (c == '\t' || c == '\n' || c == '\r') continue;
        if (c == ':') break;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        scheme += c;
    }
    if (i >= target.size() || target[i] != ':') return false;
    return scheme == "javascript" || scheme == "vbscript" || scheme == "data";
}

std::string fileNameAttribute(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        switch (c) {
        case '%': out += "%25"; break;
        case '#': out += "%23"; break;
        case '?': out += "%3F"; break;
        default: appendEscapedHtml(out, std::string_view(&c, 1)); break;
        }
    }
    return out;
}

void appendGlyphHtml(std::string& out, std::string_view bytes) {
    size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xA1) {
        switch (static_cast<unsigned char>(bytes[1])) {
        case 0xA7: case 0xA8: case 0xB0: case 0xB1: bytes = "\""; break;
        case 0xAE: case 0xAF: bytes = "'"; break;
        default: break;
        }
    }
    if (bytes.empty()) return;
    switch (bytes[0]) {
    case ' ': out += ' '; return;
    case '"': out += "&quot;"; return;
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    default: appendEscapedHtml(out, bytes); return;
    }
}

std::string opacityText(uint8_t opacity) {
    if (opacity == 255) return "1";
    const unsigned thousandths = (opacity * 1000u + 127) / 255;
    char text[8];
    std::snprintf(text, sizeof text, "0.%03u", thousandths);  // integers only: no locale
    return text;
}

}  // namespace qm
