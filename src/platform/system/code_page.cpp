#include "platform/system/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "core/report_error.h"

namespace qm {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (c >> 10));
        out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
}

bool isOutputUtf8() { return std::strcmp(kOutputCodePage, "UTF-8") == 0; }

struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(::iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) ::iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

}  // namespace

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int extra;
        char32_t c;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            c = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;  // overlong
            if (b == 0xED) hi = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            c = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool good = true;
        for (int k = 0; k < extra; ++k, ++j) {
            unsigned char t = j < n ? static_cast<unsigned char>(bytes[j]) : 0;
            unsigned char tlo = k == 0 ? lo : 0x80, thi = k == 0 ? hi : 0xBF;
            if (j >= n || t < tlo || t > thi) {
                good = false;
                break;
            }
            c = (c << 6) | (t & 0x3F);
        }
        if (good) {
            appendUtf16(out, c);
        } else {
            out += kReplacement;
        }
        i = j;
    }
    return out;
}

std::optional<std::string> utf16ToCodePage(std::u16string_view text, const char* codePage, char defaultChar) {
    Iconv conv(codePage, "UTF-16LE");
    if (!conv.ok()) {
        reportError(-1, "Unknown code page '%s'", codePage);
        return std::nullopt;
    }
    std::string in;
    in.reserve(text.size() * 2);
    for (char16_t c : text) {
        in += static_cast<char>(c & 0xFF);
        in += static_cast<char>(c >> 8);
    }
    std::string out;
    char buffer[4096];
    char* src = in.data();
    size_t left = in.size();
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t rc = ::iconv(conv.cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // A character the code page lacks (or an unpaired surrogate): one default character
        // for the whole UTF-16 unit or pair.
        out += defaultChar;
        size_t skip = 2;
        if (left >= 4) {
            unsigned hiUnit = static_cast<unsigned char>(src[0]) | (static_cast<unsigned char>(src[1]) << 8);
            unsigned loUnit = static_cast<unsigned char>(src[2]) | (static_cast<unsigned char>(src[3]) << 8);
            if (hiUnit >= 0xD800 && hiUnit <= 0xDBFF && loUnit >= 0xDC00 && loUnit <= 0xDFFF) skip = 4;
        }
        skip = skip < left ? skip : left;
        src += skip;
        left -= skip;
    }
    char* dst = buffer;
    size_t room = sizeof buffer;
    ::iconv(conv.cd, nullptr, nullptr, &dst, &room);  // shift states back to the initial one
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return out;
}

std::optional<std::u16string> codePageToUtf16(std::string_view bytes, const char* codePage) {
    Iconv conv("UTF-16LE", codePage);
    if (!conv.ok()) {
        reportError(-1, "Unknown code page '%s'", codePage);
        return std::nullopt;
    }
    std::u16string out;
    out.reserve(bytes.size());
    char buffer[4096];
    char* src = const_cast<char*>(bytes.data());
    size_t left = bytes.size();
    auto flush = [&](const char* end) {
        for (const char* p = buffer; p + 1 < end; p += 2)
            out += static_cast<char16_t>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
    };
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t rc = ::iconv(conv.cd, &src, &left, &dst, &room);
        flush(dst);
        if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
        out += kReplacement;
        if (errno == EINVAL) break;  // truncated character at the end
        ++src;
        --left;
    }
    return out;
}

std::string utf16ToOutput(std::u16string_view text) {
    if (isOutputUtf8()) return utf16ToUtf8(text);
    auto converted = utf16ToCodePage(text, kOutputCodePage);
    return converted ? *converted : utf16ToUtf8(text);
}

std::u16string outputToUtf16(std::string_view bytes) {
    if (isOutputUtf8()) return utf8ToUtf16(bytes);
    auto converted = codePageToUtf16(bytes, kOutputCodePage);
    return converted ? *converted : utf8ToUtf16(bytes);
}

const char* codePageName(int windowsCodePage) {
    switch (windowsCodePage) {
        case 932: return "CP932";
        case 936: return "GBK";
        case 949: return "UHC";
        case 950: return "BIG5";
        case 874: return "CP874";
        case 1250: return "CP1250";
        case 1251: return "CP1251";
        case 1252: return "CP1252";
        case 1253: return "CP1253";
        case 1254: return "CP1254";
        case 1255: return "CP1255";
        case 1256: return "CP1256";
        case 1257: return "CP1257";
        case 1258: return "CP1258";
        case 65001: return "UTF-8";
        default: return nullptr;
    }
}

const char* codePageForCharset(int charset) {
    switch (charset) {
        case 0: return codePageName(1252);      // ANSI
        case 128: return codePageName(932);     // Shift-JIS
        case 129: return codePageName(949);     // Hangul
        case 134: return codePageName(936);     // GB2312
        case 136: return codePageName(950);     // Big5
        case 161: return codePageName(1253);    // Greek
        case 162: return codePageName(1254);    // Turkish
        case 163: return codePageName(1258);    // Vietnamese
        case 177: return codePageName(1255);    // Hebrew
        case 178: return codePageName(1256);    // Arabic
        case 186: return codePageName(1257);    // Baltic
        case 204: return codePageName(1251);    // Russian
        case 222: return codePageName(874);     // Thai
        case 238: return codePageName(1250);    // Eastern Europe
        default: return nullptr;
    }
}

void cutUtf8(std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
}

}  // namespace qm
